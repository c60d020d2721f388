// Printing the history report through a real CUPS default queue: a private
// CUPS daemon with a PDF printer (cups-pdf) is started for this test and
// stopped at its end. Machines that cannot run one (not root, packages
// missing, daemon refusing to start) skip the test and say why. The user's
// own documents in the printer's folder are moved aside while it prints.
#include "history/RelatorioHistorico.h"
#include "history/gui/ImpressaoHistorico.h"

#include "ImpressoraPdf.h"
#include "support/CaixasRoteirizadas.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace CaixaMensagem;

namespace {

const QString kFila = QStringLiteral("TavoHistorico");
const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kLpadmin = QStringLiteral("/usr/sbin/lpadmin");
const QString kLpstat = QStringLiteral("/usr/bin/lpstat");
const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
const QString kConfiguracaoPdf = QStringLiteral("/etc/cups/cups-pdf.conf");

struct Resultado
{
    bool ok = false;
    QString saida;
};

// Runs a command to its end within `limite` ms; one that overruns is killed.
Resultado roda(const QString &programa, const QStringList &argumentos, int limite = 30000)
{
    QProcess processo;
    processo.setProcessChannelMode(QProcess::MergedChannels);
    processo.start(programa, argumentos);
    if (!processo.waitForStarted(10000))
        return {false, processo.errorString()};
    if (!processo.waitForFinished(limite)) {
        processo.kill();
        processo.waitForFinished(5000);
        return {false, QStringLiteral("%1 did not finish in %2 ms").arg(programa).arg(limite)};
    }
    return {processo.exitStatus() == QProcess::NormalExit && processo.exitCode() == 0,
            QString::fromLocal8Bit(processo.readAll())};
}

// Where cups-pdf puts the documents of the user running the test ("Out" of
// its configuration, ${HOME} and ${USER} filled in).
QString pastaSaidaCupsPdf()
{
    const passwd *usuario = getpwuid(geteuid());
    if (!usuario)
        return {};
    QString saida = QStringLiteral("${HOME}/PDF");
    QFile configuracao(kConfiguracaoPdf);
    if (configuracao.open(QIODevice::ReadOnly | QIODevice::Text)) {
        static const QRegularExpression linhaOut(QStringLiteral("^\\s*Out\\s+(\\S.*)$"));
        for (const QString &linha : QString::fromLocal8Bit(configuracao.readAll()).split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch achado = linhaOut.match(linha);
            if (achado.hasMatch())
                saida = achado.captured(1).trimmed();
        }
    }
    saida.replace(QStringLiteral("${HOME}"), QString::fromLocal8Bit(usuario->pw_dir));
    saida.replace(QStringLiteral("${USER}"), QString::fromLocal8Bit(usuario->pw_name));
    return saida;
}

// The documents in `pasta`, each with what tells a new one of that name
// from the old: its size and its last change.
QHash<QString, QString> pdfsEm(const QString &pasta)
{
    QHash<QString, QString> pdfs;
    for (const QFileInfo &pdf : QDir(pasta).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        pdfs.insert(pdf.fileName(), QStringLiteral("%1 %2")
                                        .arg(pdf.size())
                                        .arg(pdf.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch()));
    return pdfs;
}

// The user's documents in the PDF printer's folder, moved aside into a
// folder beside them while the test prints and put back when this goes,
// whether or not the test passed: the queue's job numbers start again at 1,
// so its documents take the names of earlier runs' and would overwrite them.
// A document that cannot be put back (a new one has its name) stays in the
// aside folder, and the log says where; so do all of them if the test
// crashes.
class DocumentosGuardados
{
public:
    explicit DocumentosGuardados(const QString &pasta)
        : m_pasta(pasta)
        , m_guarda(pasta + QStringLiteral("/.tavo-teste-guardados-%1").arg(QCoreApplication::applicationPid()))
    {
        const QStringList nomes = QDir(pasta).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        if (nomes.isEmpty())
            return;
        if (!QDir().mkdir(m_guarda)) {
            m_falha = QStringLiteral("cannot make ") + m_guarda;
            return;
        }
        for (const QString &nome : nomes) {
            if (!QFile::rename(QDir(m_pasta).filePath(nome), QDir(m_guarda).filePath(nome))) {
                m_falha = QStringLiteral("cannot move %1 aside into %2").arg(nome, m_guarda);
                return;
            }
            m_nomes.append(nome);
        }
    }
    ~DocumentosGuardados()
    {
        for (const QString &nome : std::as_const(m_nomes)) {
            if (!QFile::rename(QDir(m_guarda).filePath(nome), QDir(m_pasta).filePath(nome)))
                qWarning("%s could not be put back; it is kept in %s", qPrintable(nome), qPrintable(m_guarda));
        }
        QDir().rmdir(m_guarda);
    }
    DocumentosGuardados(const DocumentosGuardados &) = delete;
    DocumentosGuardados &operator=(const DocumentosGuardados &) = delete;

    // Why not every document could be moved aside; empty when all were.
    const QString &falha() const { return m_falha; }

private:
    QString m_pasta;
    QString m_guarda;
    QStringList m_nomes;
    QString m_falha;
};

} // namespace

class TstImpressaoCups : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        if (geteuid() != 0)
            QSKIP("starting a private CUPS daemon needs root; this run is not root");
        for (const QString &necessario : {kCupsd, kLpadmin, kLpstat, kBackend, kPpd}) {
            if (!QFileInfo::exists(necessario))
                QSKIP(qPrintable(necessario + QStringLiteral(" is missing (packages cups, printer-driver-cups-pdf)")));
        }
        m_saida = pastaSaidaCupsPdf();
        if (m_saida.isEmpty())
            QSKIP("cannot tell where cups-pdf writes its documents");
        QVERIFY(m_pasta.isValid());
        if (!iniciaCups())
            QSKIP(qPrintable(QStringLiteral("this machine cannot run a CUPS daemon: ") + m_motivo));
    }

    void cleanupTestCase()
    {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(10000)) {
                m_cupsd.kill();
                m_cupsd.waitForFinished(5000);
            }
        }
        for (const QString &nome : std::as_const(m_criados))
            QFile::remove(QDir(m_saida).filePath(nome));
        m_guardados.reset();
        if (m_criouPastaSaida)
            QDir().rmdir(m_saida);
        qunsetenv("CUPS_SERVER");
    }

    void imprimeNaFilaPadraoDoSistema()
    {
        QCOMPARE(QPrinterInfo::defaultPrinter().printerName(), kFila);

        RelatorioHistorico::Montador montador(3, 2026);
        montador.acrescenta(QStringLiteral("07/03/2026 09:05:03"), QStringLiteral("SSRE DE LAVRAS"),
                            QStringLiteral("31045678"), QStringLiteral("DADOS_31045678_07032026.zip"),
                            QStringLiteral("PERIO"));
        montador.acrescenta(QStringLiteral("02/03/2026 17:45:00"), QStringLiteral("SSRE DE UBÁ"),
                            QStringLiteral("31000001"), QStringLiteral("DADOS_31000001_02032026.zip"),
                            QStringLiteral("ANUAL"));
        const QString texto = montador.termina();

        m_criouPastaSaida = !QFileInfo::exists(m_saida);
        m_guardados.emplace(m_saida);
        QVERIFY2(m_guardados->falha().isEmpty(), qPrintable(m_guardados->falha()));
        const QHash<QString, QString> antes = pdfsEm(m_saida);
        CaixasRoteirizadas caixas;
        caixas.responde(Resposta::Sim);
        ImprimeHistorico(texto);
        QCOMPARE(caixas.mostradas().size(), 1);
        QCOMPARE(caixas.inesperadas(), 0);

        // The job is done when the queue is empty and its document is there.
        QStringList novos;
        const QDeadlineTimer prazo(90000);
        while (!prazo.hasExpired()) {
            novos.clear();
            const QHash<QString, QString> agora = pdfsEm(m_saida);
            for (auto pdf = agora.cbegin(); pdf != agora.cend(); ++pdf) {
                if (antes.value(pdf.key()) != pdf.value())
                    novos.append(pdf.key());
            }
            const Resultado fila = roda(kLpstat, {QStringLiteral("-h"), m_socket, QStringLiteral("-o")});
            if (!novos.isEmpty() && fila.ok && fila.saida.trimmed().isEmpty())
                break;
            QTest::qWait(250);
        }
        m_criados += novos;
        QVERIFY2(novos.size() == 1,
                 qPrintable(QStringLiteral("documents: %1; log: %2").arg(novos.join(u','), registroCups())));
        const QString pdf = QDir(m_saida).filePath(novos.first());
        // The queue re-renders the page, so columns are compared by words.
        QCOMPARE(LeituraPdf::semColunas(LeituraPdf::linhas(pdf)), LeituraPdf::semColunas(linhasDoRelatorio(texto)));
        QCOMPARE(LeituraPdf::paginas(pdf), 1);
        QVERIFY(LeituraPdf::soFontesMonoespacadas(pdf));
    }

private:
    bool iniciaCups()
    {
        const QString raiz = m_pasta.path();
        m_socket = raiz + QStringLiteral("/cups.sock");
        // The filters run as the daemon's own user and need the spool and
        // temporary folders.
        QFile::setPermissions(raiz, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                        | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                        | QFileDevice::ExeOther);
        for (const char *pasta : {"spool", "tmp", "state", "cache", "log", "ppd"})
            QDir(raiz).mkpath(QLatin1String(pasta));
        if (::chmod(QFile::encodeName(raiz + QStringLiteral("/tmp")).constData(), 01777) != 0) {
            m_motivo = QStringLiteral("cannot open the temporary folder to the filters");
            return false;
        }
        escreve(raiz + QStringLiteral("/cupsd.conf"),
                QStringLiteral("Listen %1\nLogLevel info\nBrowsing Off\nWebInterface No\nDefaultAuthType None\n"
                               "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                               "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                    .arg(m_socket));
        escreve(raiz + QStringLiteral("/cups-files.conf"),
                QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\nStateDir %1/state\n"
                               "CacheDir %1/cache\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                               "PageLog %1/log/page_log\nPrintcap %1/printcap\nServerBin /usr/lib/cups\n"
                               "DataDir /usr/share/cups\nSystemGroup root\n")
                    .arg(raiz));

        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(kCupsd, {QStringLiteral("-f"), QStringLiteral("-c"), raiz + QStringLiteral("/cupsd.conf"),
                               QStringLiteral("-s"), raiz + QStringLiteral("/cups-files.conf")});
        if (!m_cupsd.waitForStarted(10000)) {
            m_motivo = m_cupsd.errorString();
            return false;
        }
        const QDeadlineTimer prazo(20000);
        bool pronto = false;
        while (!prazo.hasExpired() && m_cupsd.state() == QProcess::Running) {
            if (QFileInfo::exists(m_socket)
                && roda(kLpstat, {QStringLiteral("-h"), m_socket, QStringLiteral("-r")}, 5000).ok) {
                pronto = true;
                break;
            }
            QTest::qWait(200);
        }
        if (!pronto) {
            m_motivo =
                QStringLiteral("cupsd did not answer: ") + QString::fromLocal8Bit(m_cupsd.readAll()) + registroCups();
            return false;
        }
        // The PDF is printed from its own rendering of each page, so the
        // text of the document stays readable.
        const Resultado fila =
            roda(kLpadmin, {QStringLiteral("-h"), m_socket, QStringLiteral("-p"), kFila, QStringLiteral("-E"),
                            QStringLiteral("-v"), QStringLiteral("cups-pdf:/"), QStringLiteral("-P"), kPpd,
                            QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftocairo")});
        const Resultado padrao = roda(kLpadmin, {QStringLiteral("-h"), m_socket, QStringLiteral("-d"), kFila});
        if (!fila.ok || !padrao.ok) {
            m_motivo = QStringLiteral("lpadmin failed: ") + fila.saida + padrao.saida;
            return false;
        }
        // Every later use of the printing system in this process talks to
        // this daemon and its default queue.
        qputenv("CUPS_SERVER", QFile::encodeName(m_socket));
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        return true;
    }

    static void escreve(const QString &caminho, const QString &texto)
    {
        QFile arquivo(caminho);
        if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate) || arquivo.write(texto.toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(caminho));
    }

    QString registroCups() const
    {
        QFile registro(m_pasta.path() + QStringLiteral("/log/error_log"));
        if (!registro.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(registro.readAll().right(2000));
    }

    QTemporaryDir m_pasta;
    QProcess m_cupsd;
    QString m_socket;
    QString m_saida;
    QString m_motivo;
    QStringList m_criados;
    bool m_criouPastaSaida = false;
    std::optional<DocumentosGuardados> m_guardados;
};

QTEST_MAIN(TstImpressaoCups)
#include "tst_impressaoCups.moc"
