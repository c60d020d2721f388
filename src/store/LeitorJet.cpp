#include "store/LeitorJet.h"

#include "common/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <atomic>

namespace LeitorJet {

namespace {

// Longest wait for the helper; reading a school database takes seconds.
constexpr std::chrono::milliseconds kLimite = std::chrono::minutes(2);
// Most an export may hold per byte of the file, plus a fixed margin. A sound
// file cannot give more: its worst case is a table of many yes/no columns,
// one bit each in the file and nine bytes each here (under 60 per byte).
// A damaged file can: long values whose chain of pages loops are read again
// and again, each up to the bind size, and would fill the program's memory.
constexpr qint64 kExportePorByte = 64;
constexpr qint64 kExporteMargem = 16 * 1024 * 1024;
// Room made for the export before it arrives, so that it is not copied
// again and again as it grows; pages that are never written cost nothing.
constexpr qint64 kReservaExporte = 64 * 1024 * 1024;
// How long a helper that was told to end may take to be gone.
constexpr int kFimMs = 5000;
// Most of what the helper says on its standard error (the library's
// complaints) that is kept for the log; the rest is read and dropped.
constexpr qsizetype kQueixasMax = 4096;

constexpr char kVariavelPrograma[] = "TAVO_LEITOR_JET";
constexpr char kNomePrograma[] = "tavo-leitor-jet" TAVO_SUFIXO_PROGRAMA;

std::atomic<std::chrono::milliseconds::rep> g_limiteSimulado{0};

std::chrono::milliseconds limite()
{
    const auto simulado = g_limiteSimulado.load();
    return simulado > 0 ? std::chrono::milliseconds(simulado) : kLimite;
}

// The helper's path, or every place it was looked for when none holds it.
struct Programa
{
    QString caminho;
    QStringList procurados;
};

Programa localizaPrograma()
{
    QStringList candidatos;
    const QString indicado = qEnvironmentVariable(kVariavelPrograma);
    if (!indicado.isEmpty()) {
        candidatos.append(indicado);
    } else {
        if (QCoreApplication::instance())
            candidatos.append(QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(kNomePrograma)));
        // Where the package installs it (Linux); the Windows edition keeps
        // it beside the programs only.
        if (const QString instalado = QStringLiteral(TAVO_PASTA_LIBEXEC); !instalado.isEmpty())
            candidatos.append(QDir(instalado).filePath(QLatin1String(kNomePrograma)));
    }
    for (const QString &candidato : std::as_const(candidatos)) {
        const QFileInfo info(candidato);
        if (info.isFile() && info.isExecutable())
            return {info.absoluteFilePath(), candidatos};
    }
    return {QString(), candidatos};
}

QString motivoDaSaida(int codigo)
{
    switch (codigo) {
    case SaidaNaoJet:
        return QStringLiteral("o arquivo não é um banco de dados do Access");
    case SaidaSemCatalogo:
        return QStringLiteral("o catálogo de tabelas está danificado");
    case SaidaTabelaIlegivel:
        return QStringLiteral("uma tabela está danificada");
    default:
        return QStringLiteral("falha na leitura");
    }
}

// What the helper said on its standard error, kept up to kQueixasMax bytes.
// It is taken as it arrives, also while the export is waited for, so a
// helper that complains without end fills no memory.
class Queixas
{
public:
    explicit Queixas(QProcess &leitor)
        : m_leitor(leitor)
    {
        // Tied to m_contexto: the helper's last words, read as the process
        // object goes, find no Queixas gone before it.
        QObject::connect(&leitor, &QProcess::readyReadStandardError, &m_contexto, [this] { recolhe(); });
    }
    QString texto()
    {
        recolhe();
        return QString::fromLocal8Bit(m_texto).trimmed();
    }

private:
    void recolhe()
    {
        const QByteArray chegou = m_leitor.readAllStandardError();
        m_texto += chegou.left(kQueixasMax - m_texto.size());
        // Enough for the log: the process reads the rest and drops it.
        if (m_texto.size() >= kQueixasMax)
            m_leitor.closeReadChannel(QProcess::StandardError);
    }

    QProcess &m_leitor;
    QByteArray m_texto;
    QObject m_contexto;
};

// A reading that failed: the log keeps what the helper said and how it
// ended, the error carries them for whoever logs it next.
ErroTavo falhaDoLeitor(const QString &caminho, const QString &motivo, const QString &como, Queixas &queixas)
{
    const QString disse = queixas.texto();
    const QString detalhe =
        QStringLiteral("tavo-leitor-jet ") + como + (disse.isEmpty() ? QString() : QStringLiteral(", said: ") + disse);
    qCWarning(lcJet).noquote() << "Access file not read:" << caminho << "-" << motivo << "-" << detalhe;
    return erroArquivo(caminho, motivo, detalhe);
}

// Runs the helper with `argumentos` after the file's path and returns what
// it wrote, within the time bound and the size bound of the file.
QByteArray executaLeitor(const QString &caminho, const QString &comando, const QStringList &argumentos = {})
{
    const Programa programa = localizaPrograma();
    if (programa.caminho.isEmpty()) {
        qCWarning(lcJet).noquote() << "Jet reader not found; looked for:"
                                   << programa.procurados.join(QStringLiteral(", "));
        throw erroArquivo(caminho, QStringLiteral("o leitor de arquivos do Access não foi encontrado: ")
                                       + programa.procurados.join(QStringLiteral(", ")));
    }
    qCDebug(lcJet).noquote() << "Running" << programa.caminho << comando << caminho
                             << argumentos.join(QLatin1Char(' ')).trimmed();

    QElapsedTimer relogio;
    relogio.start();
    const qint64 limiteMs = limite().count();
    const auto resta = [&] { return static_cast<int>(std::max<qint64>(limiteMs - relogio.elapsed(), 0)); };

    QProcess leitor;
    // What the library complains about is read apart from the export and
    // kept for the log.
    leitor.setProcessChannelMode(QProcess::SeparateChannels);
    Queixas queixas(leitor);
    leitor.setStandardInputFile(QProcess::nullDevice());
    leitor.start(programa.caminho, QStringList{comando, caminho} + argumentos, QIODevice::ReadOnly);
    if (!leitor.waitForStarted(std::max(resta(), 1))) {
        qCWarning(lcJet).noquote() << "Jet reader" << programa.caminho << "not started:" << leitor.errorString();
        throw erroArquivo(caminho, QStringLiteral("o leitor de arquivos do Access (%1) não pôde ser iniciado: %2")
                                       .arg(programa.caminho, leitor.errorString()));
    }
    const qint64 limiteBytes = kExporteMargem + kExportePorByte * std::max<qint64>(QFileInfo(caminho).size(), 0);
    QByteArray dados;
    dados.reserve(std::min(limiteBytes, kReservaExporte));
    bool esgotado = false;
    bool excedido = false;
    for (;;) {
        // QProcess takes from the pipe what it holds at each step, so what
        // it keeps before this check is one such step at most.
        const qint64 chegou = leitor.bytesAvailable();
        if (dados.size() + chegou > limiteBytes) {
            excedido = true;
            break;
        }
        // Read in place: the helper's output is the largest thing here.
        const qsizetype antes = dados.size();
        dados.resize(antes + chegou);
        dados.resize(antes + std::max<qint64>(leitor.read(dados.data() + antes, chegou), 0));
        if (leitor.state() == QProcess::NotRunning)
            break;
        if (resta() == 0) {
            esgotado = true;
            break;
        }
        // False at the bound or when the helper ends; both are seen above.
        leitor.waitForReadyRead(resta());
    }
    if (esgotado || excedido) {
        leitor.kill();
        leitor.waitForFinished(kFimMs);
    }
    if (esgotado)
        throw falhaDoLeitor(caminho, QStringLiteral("a leitura não terminou no tempo esperado"),
                            QStringLiteral("stopped after %1 ms").arg(limiteMs), queixas);
    if (excedido)
        throw falhaDoLeitor(caminho,
                            QStringLiteral("o arquivo está danificado (os dados lidos excedem o tamanho do arquivo)"),
                            QStringLiteral("stopped at %1 bytes of output").arg(limiteBytes), queixas);
    if (leitor.exitStatus() == QProcess::CrashExit)
        throw falhaDoLeitor(caminho, QStringLiteral("o arquivo está danificado"),
                            QStringLiteral("crashed (%1)").arg(leitor.errorString()), queixas);
    if (leitor.exitCode() != SaidaOk)
        throw falhaDoLeitor(caminho, motivoDaSaida(leitor.exitCode()),
                            QStringLiteral("exited with %1").arg(leitor.exitCode()), queixas);
    if (lcJet().isDebugEnabled()) {
        const QString disse = queixas.texto();
        qCDebug(lcJet).noquote().nospace()
            << "Jet reader " << comando << ' ' << caminho << " done: " << dados.size() << " bytes in "
            << relogio.elapsed() << " ms" << (disse.isEmpty() ? QString() : QStringLiteral(" - said: ") + disse);
    }
    return dados;
}

} // namespace

ErroTavo erroArquivo(const QString &caminho, const QString &motivo, const QString &detalhe)
{
    return ErroTavo::doBanco(
        ErroTavo::Tipo::FormatoBancoDesconhecido,
        QStringLiteral("Não foi possível ler o banco de dados do Access '%1': %2.").arg(caminho, motivo), detalhe);
}

void simulaLimite(std::optional<std::chrono::milliseconds> limite)
{
    g_limiteSimulado = limite ? std::max<std::chrono::milliseconds::rep>(limite->count(), 1) : 0;
}

QStringList tabelas(const QString &caminho)
{
    const QByteArray dados = executaLeitor(caminho, QLatin1String(kComandoTabelas));
    Leitura leitura(dados, caminho);
    const std::uint32_t quantas = leitura.u32();
    QStringList nomes;
    for (std::uint32_t i = 0; i < quantas; ++i)
        nomes.append(leitura.texto());
    return nomes;
}

QByteArray exporta(const QString &caminho, const QStringList &nomes)
{
    return executaLeitor(caminho, QLatin1String(kComandoExporta), nomes);
}

QByteArray Leitura::bytes()
{
    const std::uint32_t tamanho = u32();
    garante(tamanho);
    const QByteArray parte = m_dados.mid(m_posicao, tamanho);
    m_posicao += tamanho;
    return parte;
}

void Leitura::garante(qsizetype tamanho)
{
    if (tamanho < 0 || m_posicao + tamanho > m_dados.size())
        throw erroArquivo(m_caminho, QStringLiteral("leitura incompleta"));
}

} // namespace LeitorJet
