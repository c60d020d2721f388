#include "common/Log.h"

#include "common/PastaUsuarios.h"

#include "common/plataforma/PlataformaArquivos.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>

Q_LOGGING_CATEGORY(lcPrograma, "tavo.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBanco, "tavo.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcJet, "tavo.jet", QtInfoMsg)
Q_LOGGING_CATEGORY(lcZip, "tavo.zip", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMidia, "tavo.media", QtInfoMsg)
Q_LOGGING_CATEGORY(lcTransferencia, "tavo.transfer", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHistorico, "tavo.history", QtInfoMsg)

namespace Log {

struct Instalacao::Estado
{
    Destino destino;
    // "tavo-upload[4321]": who wrote the line.
    QByteArray programa;
    // The installation this one stands over, if any.
    Estado *sob = nullptr;
    // The note that the file cannot be written was given.
    bool avisado = false;
    // The log file, kept open between lines; before each one it is checked
    // against its name, which another process's rotation gives to a new file.
    PlataformaArquivos::Arquivo log;
    // The lock file beside it, whose lock a process holds while it writes or
    // rotates the log.
    PlataformaArquivos::Arquivo trava;
    // The note that a failed rotation dropped the older lines was written.
    bool avisadoRotacao = false;

    // Appends the line, rotating first when it would take the file past its
    // cap. False with the reason when the file cannot be written. `nota`:
    // the note line written before it, if any.
    bool escreve(QByteArray linha, QString &falha, QString &nota);
};

namespace {

constexpr char kRegraDepuracao[] = "tavo.*.debug=true";

// The processes sharing the file write and rotate it one at a time, under
// the lock of a file beside it (the log's own name goes to a new file at
// each rotation); one holds it for a line's write. While the log moves on
// in each `kEsperaTrava`, its writers are alive and the lock is waited for
// again, up to `kEsperaTravaOcupada` in all (many processes writing, a
// loaded machine). A holder that lets the log stand still that long (a
// stopped process) is waited for no longer: the line is appended without a
// rotation.
constexpr std::chrono::milliseconds kEsperaTrava{1000};
constexpr std::chrono::milliseconds kEsperaTravaOcupada{10000};

// The installation in force; the handler reads it under the mutex.
std::mutex g_mutex;
Instalacao::Estado *g_estado = nullptr;
// The handler that was there before the first installation: the echo goes
// to it (Qt's own writes to standard error).
std::atomic<QtMessageHandler> g_anterior{nullptr};
// A message raised while this thread writes one (by the handler before, say)
// goes straight on, so the handler never waits for itself.
thread_local bool t_escrevendo = false;

const char *nivel(QtMsgType tipo)
{
    switch (tipo) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "unknown";
}

// One message, one line: its line breaks (a server's answer, the reader's
// complaints, a description with CR LF) become " | ", other control
// characters blanks.
QString numaLinha(const QString &mensagem)
{
    const QString texto = mensagem.trimmed();
    QString linha;
    linha.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const char16_t c = texto.at(i).unicode();
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < texto.size() && texto.at(i + 1) == QLatin1Char('\n'))
                ++i;
            linha += QLatin1String(" | ");
        } else if (c < 0x20 || c == 0x7f) {
            linha += QLatin1Char(' ');
        } else {
            linha += texto.at(i);
        }
    }
    return linha;
}

QByteArray linhaDoLog(QtMsgType tipo, const QMessageLogContext &contexto, const QString &mensagem,
                      const QByteArray &programa)
{
    const QDateTime agora = QDateTime::currentDateTime();
    // With the offset, so that lines of a clock change still sort.
    const QByteArray momento = agora.toOffsetFromUtc(agora.offsetFromUtc()).toString(Qt::ISODateWithMs).toUtf8();
    const QByteArray categoria(contexto.category ? contexto.category : "default");
    return momento + ' ' + programa + ' ' + nivel(tipo) + ' ' + categoria + ": " + numaLinha(mensagem).toUtf8() + '\n';
}

// Cuts a line to `limite` bytes (its end of line kept), never inside a
// character.
void corta(QByteArray &linha, qint64 limite)
{
    if (linha.size() <= limite)
        return;
    qsizetype fim = static_cast<qsizetype>(limite) - 1;
    while (fim > 0 && (static_cast<unsigned char>(linha.at(fim)) & 0xC0) == 0x80)
        --fim;
    linha.truncate(fim);
    linha += '\n';
}

// The oldest copy goes, each other one moves one place up, the current file
// becomes the first copy (with one file kept, the current one goes). 0, or
// the error of the step that failed, with the name it failed on in `onde`.
// A copy that is not a file (a folder) fails it before anything moved.
int rota(const Destino &destino, QString &onde)
{
    const int arquivos = std::max(destino.arquivos, 1);
    for (int n = 1; n < arquivos; ++n) {
        onde = arquivo(destino.pasta, n);
        if (QFileInfo(onde).isDir())
            return EISDIR;
    }
    onde = arquivo(destino.pasta, arquivos - 1);
    int codigo = PlataformaArquivos::removeArquivo(onde);
    if (codigo != 0 && codigo != ENOENT)
        return codigo;
    for (int n = arquivos - 2; n >= 0; --n) {
        onde = arquivo(destino.pasta, n);
        codigo = PlataformaArquivos::renomeia(onde, arquivo(destino.pasta, n + 1));
        if (codigo != 0 && codigo != ENOENT)
            return codigo;
    }
    return 0;
}

void manipula(QtMsgType tipo, const QMessageLogContext &contexto, const QString &mensagem)
{
    const QtMessageHandler anterior = g_anterior.load();
    if (t_escrevendo) {
        if (anterior)
            anterior(tipo, contexto, mensagem);
        return;
    }
    t_escrevendo = true;
    bool eco = true;
    QString nota;
    // The note of a failed rotation, a log line like the others.
    QString rotacao;
    {
        const std::lock_guard<std::mutex> trava(g_mutex);
        if (Instalacao::Estado *estado = g_estado) {
            // A fatal message ends the program: whoever runs it sees why.
            eco = estado->destino.eco == Eco::ErroPadrao || tipo == QtFatalMsg;
            QString falha;
            // A log that cannot be written is no failure of what is logged.
            const PlataformaArquivos::AtalhosNaoContam doLog;
            if (!estado->escreve(linhaDoLog(tipo, contexto, mensagem, estado->programa), falha, rotacao)
                && !estado->avisado) {
                estado->avisado = true;
                nota = QStringLiteral("Log file %1 cannot be written (%2): ").arg(arquivo(estado->destino.pasta), falha)
                       + (estado->destino.eco == Eco::ErroPadrao ? QStringLiteral("log lines go to standard error only")
                                                                 : QStringLiteral("log lines are not kept"));
            }
        }
    }
    if (anterior) {
        const QMessageLogContext programa(nullptr, 0, nullptr, lcPrograma().categoryName());
        if (!nota.isEmpty())
            anterior(QtWarningMsg, programa, nota);
        if (!rotacao.isEmpty() && eco)
            anterior(QtWarningMsg, programa, rotacao);
        if (eco)
            anterior(tipo, contexto, mensagem);
    }
    t_escrevendo = false;
}

} // namespace

bool Instalacao::Estado::escreve(QByteArray linha, QString &falha, QString &nota)
{
    const qint64 limite = std::max<qint64>(destino.limite, 2);
    corta(linha, limite);
    const QString nome = arquivo(destino.pasta);
    const auto abre = [this](PlataformaArquivos::Arquivo &aberto, const QString &caminho) {
        int codigo = aberto.abreAcrescimo(caminho);
        // The program's folder may not exist yet at the first line of a new
        // installation. Opened again whoever made it: another process may
        // have made it since this open failed, and a lock file not opened
        // here would leave this process writing and rotating unlocked.
        if (codigo == ENOENT && PastaUsuarios::cria(destino.pasta))
            codigo = aberto.abreAcrescimo(caminho);
        return codigo;
    };
    // Without the lock file (a folder that takes no new file) or locks (some
    // network disks) the file is still written, and rotated as it can be.
    if (!trava.aberto())
        abre(trava, nome + QStringLiteral(".lock"));
    int travado = EBADF;
    if (trava.aberto()) {
        const auto prazo = std::chrono::steady_clock::now() + kEsperaTravaOcupada;
        // As this process last left it (nothing yet at its first line).
        PlataformaArquivos::Identidade antes;
        if (log.aberto())
            log.identidade(antes);
        for (;;) {
            travado = trava.trava(kEsperaTrava);
            PlataformaArquivos::Identidade agora;
            if (travado != EWOULDBLOCK || std::chrono::steady_clock::now() >= prazo
                || PlataformaArquivos::identidade(nome, agora) != 0 || agora == antes)
                break;
            antes = agora;
        }
    }
    const auto destrava = qScopeGuard([this, travado] {
        if (travado == 0)
            trava.destrava();
    });
    // Another process rotated the file since the last line: the line goes to
    // the one named now, and the size that counts is that one's.
    PlataformaArquivos::Identidade aberto;
    PlataformaArquivos::Identidade comNome;
    if (log.aberto()
        && (log.identidade(aberto) != 0 || PlataformaArquivos::identidade(nome, comNome) != 0
            || !aberto.mesmoArquivo(comNome)))
        log = {};
    int codigo = log.aberto() ? 0 : abre(log, nome);
    if (codigo == 0)
        codigo = log.identidade(aberto);
    const qint64 tamanho = codigo == 0 ? aberto.tamanho : 0;
    if (codigo == 0 && travado != EWOULDBLOCK && tamanho > 0 && tamanho + linha.size() > limite) {
        QString onde;
        const int rotacao = rota(destino, onde);
        if (rotacao == 0) {
            log = {};
            codigo = abre(log, nome);
        } else {
            // The cap holds all the same: the older lines go.
            const int vazio = log.trunca(0);
            // Said once, before the line when both fit in the file.
            if (!avisadoRotacao && limite - linha.size() >= 2) {
                avisadoRotacao = true;
                const QString causa = QStringLiteral("%1: %2").arg(onde, PlataformaArquivos::textoDoSistema(rotacao));
                nota = vazio == 0 ? QStringLiteral("Log file rotation failed (%1): the older lines of %2 were "
                                                   "dropped to keep it within %3 bytes")
                                        .arg(causa, nome)
                                        .arg(limite)
                                  : QStringLiteral("Log file rotation failed (%1), and %2 cannot be emptied (%3): "
                                                   "it grows past %4 bytes")
                                        .arg(causa, nome, PlataformaArquivos::textoDoSistema(vazio))
                                        .arg(limite);
                QByteArray linhaNota = linhaDoLog(
                    QtWarningMsg, QMessageLogContext(nullptr, 0, nullptr, lcPrograma().categoryName()), nota, programa);
                corta(linhaNota, limite - linha.size());
                linha.prepend(linhaNota);
            }
        }
    }
    // One write, in append mode: lines of the window and the console, which
    // share the file, never mix within a line.
    if (codigo == 0)
        codigo = log.escreve(linha.constData(), linha.size());
    if (codigo != 0) {
        falha = PlataformaArquivos::textoDoSistema(codigo);
        log = {};
        return false;
    }
    return true;
}

Destino janela(const QString &pasta)
{
    Destino destino;
    destino.pasta = pasta;
    destino.eco = Eco::ErroPadrao;
    return destino;
}

Destino console(const QString &pasta, bool detalhado)
{
    Destino destino;
    destino.pasta = pasta;
    destino.eco = detalhado || !qEnvironmentVariableIsEmpty("QT_LOGGING_RULES") ? Eco::ErroPadrao : Eco::Nenhum;
    destino.depuracao = detalhado;
    return destino;
}

QString arquivo(const QString &pasta, int n)
{
    const QString nome = pasta + QStringLiteral("/tavo-upload.log");
    return n > 0 ? nome + QLatin1Char('.') + QString::number(n) : nome;
}

Instalacao::Instalacao(const Destino &destino)
    : m_estado(std::make_unique<Estado>())
{
    QString programa = QCoreApplication::applicationName();
    if (programa.isEmpty())
        programa = QStringLiteral("tavo-upload");
    m_estado->destino = destino;
    m_estado->programa =
        (programa + QLatin1Char('[') + QString::number(QCoreApplication::applicationPid()) + QLatin1Char(']')).toUtf8();
    // Rules of QT_LOGGING_RULES still win over this one.
    if (destino.depuracao)
        QLoggingCategory::setFilterRules(QLatin1String(kRegraDepuracao));
    {
        const std::lock_guard<std::mutex> trava(g_mutex);
        m_estado->sob = g_estado;
        g_estado = m_estado.get();
    }
    if (!m_estado->sob)
        g_anterior = qInstallMessageHandler(manipula);
    qCInfo(lcPrograma).noquote() << programa << TAVO_VERSAO << "started, log file" << arquivo(destino.pasta);
}

Instalacao::~Instalacao()
{
    qCInfo(lcPrograma) << "ended";
    if (!m_estado->sob)
        qInstallMessageHandler(g_anterior.load());
    {
        const std::lock_guard<std::mutex> trava(g_mutex);
        g_estado = m_estado->sob;
    }
    if (m_estado->destino.depuracao)
        QLoggingCategory::setFilterRules(QString());
}

} // namespace Log
