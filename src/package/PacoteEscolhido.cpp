#include "package/PacoteEscolhido.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/PastaUsuarios.h"
#include "package/ArquivosTrabalho.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// The package is there whole: a file of the chosen size.
bool inteiro(const Instalacao &instalacao, const QString &caminho, qint64 tamanho)
{
    const QFileInfo info(instalacao.local(caminho));
    return info.isFile() && info.size() == tamanho;
}

} // namespace

PacoteEscolhido PacoteEscolhido::comOrigem(const Instalacao &instalacao, const QString &origem, const QString &copia,
                                           const QString &codigoEscola, const QString &escola)
{
    PacoteEscolhido pacote;
    pacote.m_origem = origem;
    pacote.m_nome = Caminhos::nomeArquivo(copia);
    pacote.m_tamanho = QFileInfo(instalacao.local(copia)).size();
    pacote.m_codigoEscola = codigoEscola;
    pacote.m_escola = escola;
    return pacote;
}

PacoteEscolhido PacoteEscolhido::comCopiaPropria(const Instalacao &instalacao, const QString &copia,
                                                 const QString &codigoEscola, const QString &escola)
{
    auto guarda = std::make_shared<QTemporaryDir>();
    if (!guarda->isValid())
        throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Pasta temporária indisponível: ") + guarda->errorString());
    const QString guardado = guarda->path() + QLatin1Char('/') + Caminhos::nomeArquivo(copia);
    CopiaArquivo(instalacao, copia, guardado);
    PacoteEscolhido pacote = comOrigem(instalacao, guardado, copia, codigoEscola, escola);
    pacote.m_guarda = std::move(guarda);
    return pacote;
}

QString PacoteEscolhido::naPastaTrabalho(const Instalacao &instalacao) const
{
    if (vazio())
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Nenhum arquivo escolhido"));
    const QString caminho = Caminhos::pastaTrabalho() + QLatin1Char('\\') + m_nome;
    if (inteiro(instalacao, caminho, m_tamanho))
        return caminho;
    // A source that is no longer the chosen package (another size) is not
    // sent in its place: the size announced would not be the bytes sent.
    if (!inteiro(instalacao, m_origem, m_tamanho))
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + m_origem);
    PastaUsuarios::cria(instalacao.local(Caminhos::pastaTrabalho()));
    CopiaArquivo(instalacao, m_origem, caminho);
    return caminho;
}

const ConferenciaPacote *PacoteEscolhido::conferenciaDe(const Instalacao &instalacao, const QString &caminho) const
{
    return m_conferencia && m_conferencia->vale(instalacao.local(caminho)) ? &*m_conferencia : nullptr;
}
