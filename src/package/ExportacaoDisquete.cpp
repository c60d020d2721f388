#include "package/ExportacaoDisquete.h"

#include "common/Caminhos.h"
#include "common/Conversao.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "package/ArquivosTrabalho.h"
#include "package/Pedacos.h"

#include <QDir>
#include <QFileInfo>

using Mensagens::Icone;

namespace {

const QString kTitulo = QStringLiteral("TAVO");
constexpr int kTentativas = 3;

QString pastaTrabalhoComBarra()
{
    return Caminhos::pastaTrabalho() + QLatin1Char('\\');
}

// Error 75: the working folder is cleared, the chosen package excepted.
// Best effort: what cannot be removed stays for the next emptying of the
// folder; the user is told that nothing was copied.
void limpaAposErroDeAcesso(const Instalacao &instalacao, const QString &pacoteLocal)
{
    const QString pasta = instalacao.local(Caminhos::pastaTrabalho());
    const QString mantido = QFileInfo(pacoteLocal).canonicalFilePath();
    const QStringList arquivos = QDir(pasta).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (auto nome = arquivos.crbegin(); nome != arquivos.crend(); ++nome) {
        const QString caminho = pastaTrabalhoComBarra() + *nome;
        if (!mantido.isEmpty() && QFileInfo(instalacao.local(caminho)).canonicalFilePath() == mantido)
            continue;
        try {
            RemoveArquivo(instalacao, caminho);
        } catch (const ErroTavo &erro) {
            // Left for the next emptying (see above).
            qCInfo(lcMidia).noquote() << "Left in the working folder:" << caminho << "-" << erro.relato();
        }
    }
    QDir().rmdir(pasta);
}

} // namespace

ExportacaoDisquete::ExportacaoDisquete(const Instalacao &instalacao, QString pacote, Interlocutor &interlocutor,
                                       QObject *parent)
    : QObject(parent)
    , m_instalacao(instalacao)
    , m_pacote(std::move(pacote))
    , m_interlocutor(interlocutor)
{
}

bool ExportacaoDisquete::confere() const
{
    if (!m_pacote.trimmed().isEmpty() && QFileInfo(m_instalacao.local(m_pacote.trimmed())).isFile())
        return true;
    qCWarning(lcMidia).noquote() << "Floppy export: no package file"
                                 << (m_pacote.trimmed().isEmpty() ? QStringLiteral("(none chosen)")
                                                                  : m_instalacao.local(m_pacote.trimmed()));
    m_interlocutor.avisa(QStringLiteral("O Arquivo não existe!"), Icone::Critico);
    return false;
}

ExportacaoDisquete::Resultado ExportacaoDisquete::executa()
{
    Resultado resultado;
    const QString pacote = m_pacote.trimmed();
    qCInfo(lcMidia).noquote() << "Floppy export of" << m_instalacao.local(pacote) << "-"
                              << QFileInfo(m_instalacao.local(pacote)).size() << "bytes, drive a: at"
                              << m_instalacao.disquete().pasta;
    try {
        const std::int16_t pedacos = DivideArquivo(m_instalacao, pacote, [this](int) { Q_EMIT pastaTrabalhoMudou(); });
        resultado.pedacos = pedacos;
        if (pedacos > 0) {
            Q_EMIT cortado();
            qCInfo(lcMidia) << "Package cut into" << pedacos << "pieces";
        }
        if (copiaParaDisquetes(pedacos)) {
            resultado.copiado = true;
            qCInfo(lcMidia) << "Floppy export done";
            m_interlocutor.avisa(QStringLiteral("Arquivo copiado com sucesso!"), Icone::Informacao, kTitulo);
        }
    } catch (const ErroTavo &erro) {
        qCWarning(lcMidia).noquote() << "Floppy export failed:" << erro.relato();
        resultado.falha = erro;
        switch (erro.numero()) {
        case Erros::DiscoCheio:
            // Also a write the disk refuses (write protection, a read-only
            // mount): CopiaParaMidia reports it with this number.
            m_interlocutor.avisa(
                QStringLiteral("Atenção!\r\nVerifique se o disquete está cheio ou protegido contra gravação!"),
                Icone::Critico, QStringLiteral("TAVO - ERRO"));
            break;
        case Erros::AcessoArquivo:
            // An access error left (in the working folder): it is cleared
            // and the export ends, telling the user nothing was copied.
            limpaAposErroDeAcesso(m_instalacao, m_instalacao.local(pacote));
            Q_EMIT pastaTrabalhoMudou();
            m_interlocutor.avisa(QStringLiteral("Não foi possível copiar para o disquete."), Icone::Critico, kTitulo);
            break;
        case Erros::CaminhoNaoEncontrado:
            m_interlocutor.avisa(QStringLiteral("Verifique se o disquete está no drive!"), Icone::Informacao);
            break;
        default:
            m_interlocutor.avisa(erro.texto(), Icone::Critico);
            break;
        }
    }
    return resultado;
}

bool ExportacaoDisquete::copiaParaDisquetes(int pedacos) const
{
    const auto naoFoiPossivel = [this] {
        qCWarning(lcMidia).noquote() << "Floppy export stopped: no disk in drive a: after" << kTentativas << "prompts -"
                                     << m_instalacao.disquete().pasta;
        m_interlocutor.avisa(QStringLiteral("Não foi possível copiar para o disquete."), Icone::Critico, kTitulo);
        return false;
    };
    const QString pacote = m_pacote.trimmed();
    if (pedacos <= 1) {
        for (int tentativa = 1; tentativa <= kTentativas; ++tentativa) {
            if (DisquetePronto(m_instalacao)) {
                CopiaParaMidia(m_instalacao, pacote, Caminhos::unidadeDisquete());
                return true;
            }
            m_interlocutor.avisa(QStringLiteral("Insira um disquete no drive."), Icone::Informacao, kTitulo);
        }
        return naoFoiPossivel();
    }
    const QString base = Caminhos::nomeArquivo(pacote);
    for (int i = 1; i <= pedacos; ++i) {
        bool pronto = false;
        for (int tentativa = 1; tentativa <= kTentativas && !pronto; ++tentativa) {
            m_interlocutor.avisa(QStringLiteral("Insira o disquete ") + QString::number(i) + QStringLiteral(" de ")
                                     + QString::number(pedacos),
                                 Icone::Informacao, kTitulo);
            pronto = DisquetePronto(m_instalacao);
        }
        if (!pronto)
            return naoFoiPossivel();
        // The working folder holds the pieces (and the package, when it lies there).
        const QString pedaco = pastaTrabalhoComBarra() + NomePedaco(base, i);
        if (!QFileInfo(m_instalacao.local(pedaco)).isFile())
            throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + pedaco);
        CopiaParaMidia(m_instalacao, pedaco, Caminhos::unidadeDisquete());
        qCInfo(lcMidia).noquote() << "Piece" << i << "of" << pedacos << "copied:" << NomePedaco(base, i);
    }
    return true;
}

bool DisquetePronto(const Instalacao &instalacao)
{
    return instalacao.disquete().presente;
}

std::int16_t DivideArquivo(const Instalacao &instalacao, const QString &caminho,
                           const std::function<void(int)> &aCadaPedaco)
{
    const QString origem = instalacao.local(caminho);
    if (QuantidadePedacos(QFileInfo(origem).size()) == 0)
        return 0;
    // A package in the working folder itself is left there, next to its pieces.
    LimpaPastaTemp(instalacao, NaPastaTrabalho(instalacao, origem) ? origem : QString());
    const int pedacos = CortaEmPedacos(origem, instalacao.local(Caminhos::pastaTrabalho()),
                                       Caminhos::nomeArquivo(caminho), aCadaPedaco);
    return Conversao::arredondaInteiro16(pedacos);
}
