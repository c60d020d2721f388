#include "package/ArquivosTrabalho.h"

#include "common/Caminhos.h"
#include "common/Instalacao.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <optional>

namespace {

FalhasArquivo::Injetor &injetor()
{
    static FalhasArquivo::Injetor i;
    return i;
}

int falhaInjetada(const QString &destino)
{
    return injetor() ? injetor()(destino) : 0;
}

bool terminaEmSeparador(const QString &caminho)
{
    return caminho.endsWith(QLatin1Char('\\')) || caminho.endsWith(QLatin1Char('/'));
}

// Creates the folder and the missing folders above it.
void criaPasta(const QString &pasta)
{
    if (QFileInfo(pasta).isDir())
        return;
    const QString acima = QFileInfo(pasta).absolutePath();
    if (acima != pasta)
        criaPasta(acima);
    if (const int codigo = PlataformaArquivos::criaPasta(pasta); codigo != 0 && codigo != EEXIST)
        throw erroDoSistema(codigo, pasta);
    if (!QFileInfo(pasta).isDir())
        throw erroDoSistema(ENOTDIR, pasta);
}

PlataformaArquivos::Arquivo abreLeitura(const QString &caminho)
{
    const QFileInfo info(caminho);
    if (!info.exists() || info.isDir())
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + caminho);
    PlataformaArquivos::Arquivo arquivo;
    if (const int codigo = arquivo.abreLeitura(caminho))
        throw erroDoSistema(codigo, caminho);
    return arquivo;
}

} // namespace

ErroTavo erroDoSistema(int codigo, const QString &caminho)
{
    using PlataformaArquivos::Causa;
    const QString sistema = PlataformaArquivos::textoDoSistema(codigo);
    // The messages of a full disk and a missing path leave the system's own
    // words out; the log keeps them.
    const QString detalhe = QStringLiteral("system error %1: %2").arg(codigo).arg(sistema);
    switch (PlataformaArquivos::causa(codigo)) {
    case Causa::AtalhoAlheio:
        return ErroTavo(Erros::AtalhoAlheio, sistema, QStringLiteral("refused: ") + caminho);
    case Causa::SemEspaco:
        return ErroTavo(Erros::DiscoCheio,
                        QStringLiteral("Não há espaço suficiente no disco (") + caminho + QLatin1Char(')'), detalhe);
    case Causa::GravacaoRecusada:
    case Causa::EmUso:
        return ErroTavo(Erros::AcessoArquivo,
                        QStringLiteral("Erro de acesso ao caminho/arquivo: ") + caminho + QStringLiteral(" (") + sistema
                            + QLatin1Char(')'),
                        detalhe);
    case Causa::Ausente:
        return ErroTavo(Erros::CaminhoNaoEncontrado, QStringLiteral("Caminho não encontrado: ") + caminho, detalhe);
    case Causa::Outra:
        break;
    }
    return ErroTavo(Erros::FalhaArquivo,
                    QStringLiteral("Erro de E/S no dispositivo: ") + caminho + QStringLiteral(" (") + sistema
                        + QLatin1Char(')'),
                    detalhe);
}

int CriaTemporario(const QString &destinoLocal, PlataformaArquivos::Arquivo &arquivo, QString &temporario,
                   PlataformaArquivos::Arquivo::Acesso acesso)
{
    const QFileInfo info(destinoLocal);
    // The temporary name sorts after the real names of a file list, so a
    // leftover of a crash is never taken for a piece or a package.
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        const QString candidato = info.absolutePath() + QStringLiteral("/~") + info.fileName() + QStringLiteral(".tmp")
                                  + QString::number(QRandomGenerator::global()->generate() % 1000000u);
        const int codigo = arquivo.criaNovo(candidato, acesso);
        if (codigo == 0) {
            temporario = candidato;
            return 0;
        }
        if (codigo != EEXIST)
            return codigo;
    }
    return EEXIST;
}

GravacaoAtomica::GravacaoAtomica(const QString &destinoLocal, Midia midia)
    : m_destino(destinoLocal)
    , m_midia(midia)
{
    const QFileInfo info(destinoLocal);
    const QString pasta = info.absolutePath();
    if (!QFileInfo(pasta).isDir())
        throw erroDoSistema(ENOENT, pasta);
    if (info.isDir())
        throw erroDoSistema(EISDIR, destinoLocal);
    if (const int codigo = falhaInjetada(destinoLocal))
        throw falha(codigo);
    // The working folder holds only intermediate files (floppy pieces, a
    // package joined or copied from disks, its unpacked database), each made
    // again from its source when lost. Flushing them to the disk made cutting
    // and joining a package several times slower than the plain copy, for
    // pieces that are deleted moments later; a full local disk is reported
    // by the writes themselves.
    m_descarrega = midia != Midia::Trabalho;
    using Acesso = PlataformaArquivos::Arquivo::Acesso;
    if (const int codigo = CriaTemporario(destinoLocal, m_arquivo, m_temporario,
                                          midia == Midia::Removivel ? Acesso::DaMidia : Acesso::Privado))
        throw falha(codigo);
}

ErroTavo GravacaoAtomica::falha(int codigo) const
{
    using PlataformaArquivos::Causa;
    if (m_midia == Midia::Removivel && PlataformaArquivos::causa(codigo) == Causa::GravacaoRecusada)
        return ErroTavo(
            Erros::DiscoCheio,
            QStringLiteral("A mídia recusou a gravação: ") + m_destino + QStringLiteral(" (")
                + PlataformaArquivos::textoDoSistema(codigo) + QLatin1Char(')'),
            QStringLiteral("system error %1: %2").arg(codigo).arg(PlataformaArquivos::textoDoSistema(codigo)));
    return erroDoSistema(codigo, m_destino);
}

GravacaoAtomica::~GravacaoAtomica()
{
    // Closed first: some systems cannot delete a file that is open.
    m_arquivo = {};
    // Nothing to report from a destructor: the write already failed, and a
    // leftover's name is never taken for a package or a piece.
    if (!m_concluida && !m_temporario.isEmpty())
        PlataformaArquivos::removeArquivo(m_temporario);
}

void GravacaoAtomica::escreve(const char *dados, qint64 tamanho)
{
    if (const int codigo = falhaInjetada(m_destino))
        throw falha(codigo);
    if (const int codigo = m_arquivo.escreve(dados, tamanho))
        throw falha(codigo);
    m_escritos += tamanho;
}

void GravacaoAtomica::conclui()
{
    // Some media report a full disk only when the data is flushed.
    if (const int codigo = m_descarrega ? m_arquivo.descarrega() : 0)
        throw falha(codigo);
    if (const int codigo = m_arquivo.fecha())
        throw falha(codigo);
    if (const int codigo = PlataformaArquivos::renomeia(m_temporario, m_destino))
        throw falha(codigo);
    m_concluida = true;
}

namespace {

// Reads an open file to its end in 1 MiB blocks, handing each to `aCadaBloco`.
template <typename F> void leEmBlocos(PlataformaArquivos::Arquivo &entrada, const QString &caminhoLocal, F &&aCadaBloco)
{
    QByteArray bloco(1 << 20, Qt::Uninitialized);
    for (;;) {
        qint64 n = 0;
        if (const int codigo = entrada.le(bloco.data(), bloco.size(), n))
            throw erroDoSistema(codigo, caminhoLocal);
        if (n == 0)
            return;
        aCadaBloco(bloco.constData(), n);
    }
}

void copia(const Instalacao &instalacao, const QString &origem, const QString &destino, GravacaoAtomica::Midia midia)
{
    const QString origemLocal = instalacao.local(origem);
    const QString destinoLocal =
        instalacao.local(terminaEmSeparador(destino) ? destino + Caminhos::nomeArquivo(origem) : destino);
    PlataformaArquivos::Arquivo entrada = abreLeitura(origemLocal);
    if (midia == GravacaoAtomica::Midia::Fixa && NaPastaTrabalho(instalacao, destinoLocal))
        midia = GravacaoAtomica::Midia::Trabalho;
    GravacaoAtomica saida(destinoLocal, midia);
    leEmBlocos(entrada, origemLocal, [&](const char *dados, qint64 n) { saida.escreve(dados, n); });
    // A medium taken out while the copy was made leaves it nowhere, or on
    // the local folder it was mounted on: such a copy does not count.
    if (midia == GravacaoAtomica::Midia::Removivel && !instalacao.disquete().presente)
        throw erroDoSistema(ENOENT, destinoLocal);
    saida.conclui();
}

} // namespace

void CopiaArquivo(const Instalacao &instalacao, const QString &origem, const QString &destino)
{
    copia(instalacao, origem, destino, GravacaoAtomica::Midia::Fixa);
}

void CopiaParaMidia(const Instalacao &instalacao, const QString &origem, const QString &destino)
{
    copia(instalacao, origem, destino, GravacaoAtomica::Midia::Removivel);
}

void LimpaPastaTemp(const Instalacao &instalacao, const QString &preservar)
{
    const QString pasta = instalacao.local(Caminhos::pastaTrabalho());
    // Another user's link in the folder's place would have that user's
    // folder emptied: nothing is deleted.
    if (const int codigo = PlataformaArquivos::confere(pasta))
        throw erroDoSistema(codigo, pasta);
    if (!QFileInfo(pasta).isDir()) {
        criaPasta(pasta);
        // Every user of the PC empties the same folder.
        PlataformaArquivos::concedeAosUsuarios(pasta);
        return;
    }
    const QString mantido = preservar.isEmpty() ? QString() : QFileInfo(preservar).canonicalFilePath();
    const QStringList arquivos = QDir(pasta).entryList(QDir::Files | QDir::Hidden | QDir::System);
    // Every file is tried; the first failure is reported after the others are gone.
    std::optional<ErroTavo> primeiraFalha;
    for (const QString &nome : arquivos) {
        const QString caminho = pasta + QLatin1Char('/') + nome;
        if (!mantido.isEmpty() && QFileInfo(caminho).canonicalFilePath() == mantido)
            continue;
        try {
            RemoveArquivo(instalacao, caminho);
        } catch (const ErroTavo &erro) {
            if (!primeiraFalha)
                primeiraFalha = erro;
        }
    }
    if (primeiraFalha)
        throw *primeiraFalha;
}

void RemoveArquivo(const Instalacao &instalacao, const QString &caminho)
{
    const QString local = instalacao.local(caminho);
    if (!QFileInfo::exists(local) && !QFileInfo(local).isSymLink())
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + caminho);
    if (PlataformaArquivos::somenteLeitura(local))
        throw erroDoSistema(EACCES, caminho);
    if (const int codigo = PlataformaArquivos::removeArquivo(local))
        throw erroDoSistema(codigo, caminho);
}

qint64 LeEmBlocos(const QString &local, const std::function<void(const char *dados, qint64 tamanho)> &aCadaBloco)
{
    PlataformaArquivos::Arquivo entrada = abreLeitura(local);
    qint64 lidos = 0;
    leEmBlocos(entrada, local, [&](const char *bloco, qint64 n) {
        aCadaBloco(bloco, n);
        lidos += n;
    });
    return lidos;
}

bool NaPastaTrabalho(const Instalacao &instalacao, const QString &caminhoLocal)
{
    const QString pasta = QFileInfo(instalacao.local(Caminhos::pastaTrabalho())).canonicalFilePath();
    const QString dono = QFileInfo(QFileInfo(caminhoLocal).absolutePath()).canonicalFilePath();
    return !pasta.isEmpty() && pasta == dono;
}

namespace FalhasArquivo {

void instala(Injetor novo)
{
    injetor() = std::move(novo);
}

void remove()
{
    injetor() = nullptr;
}

} // namespace FalhasArquivo
