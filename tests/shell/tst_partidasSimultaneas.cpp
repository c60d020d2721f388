// Several starts at once on the folder of an office that comes from the
// former client: windows and console commands started together, round after
// round. However they meet, each round ends with exactly one conversion,
// every row of the old file in the new database, and nothing half-made left.
// As root, half of the rounds run as another user in front of a lock file
// root left behind (a run under sudo), which that user may only read.

#include "support/AmbienteTeste.h"
#include "support/Auxiliares.h"
#include "support/ExecucaoPrograma.h"
#include "support/SistemaTeste.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <vector>

namespace {

constexpr int kRodadas = 50;
constexpr int kLimiteMs = 60000;

// A program started for the round, and how to tell it is done.
struct Partida
{
    std::unique_ptr<QProcess> processo;
    bool janela = false;
};

// The window never ends by itself: it is done once its log says it opened,
// or that it gave up (another client holds the folder, no lock).
bool janelaTerminouAPartida(const QByteArray &log, qint64 pid)
{
    const QRegularExpression linha(
        QStringLiteral("tavo-upload\\[%1\\] \\S+ tavo\\.app: (Main window open|Program folder .* held by another "
                       "client|One-client lock .* cannot be taken)")
            .arg(pid));
    return linha.match(QString::fromUtf8(log)).hasMatch();
}

} // namespace

class TstPartidasSimultaneas : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void umaConversaoPorRodadaSemPerdasNemRestos()
    {
        bool comoOutroUsuario = SistemaTeste::administrador();
        const QStringList comandos{QStringLiteral("historico"), QStringLiteral("gerar"), QStringLiteral("converter")};
        for (int rodada = 0; rodada < kRodadas; ++rodada) {
            const QString fixture = rodada % 2 ? QStringLiteral("legado_uploadcliente_novo.mdb")
                                               : QStringLiteral("legado_uploadcliente_antigo.mdb");
            AmbienteTeste ambiente(false);
            ambiente.copiaDado(fixture, ambiente.bancoLocal());
            const QString pasta = instalacaoAtual().pastaPrograma();
            const QString log = pasta + QStringLiteral("/tavo-upload.log");
            bool outroUsuario = comoOutroUsuario && rodada % 4 >= 2;
            if (outroUsuario) {
                // The folder is that user's to write; the lock file is root's.
                for (QString acima = pasta; acima != QDir::tempPath(); acima = QFileInfo(acima).absolutePath())
                    QVERIFY(QFile::setPermissions(acima, QFile::permissions(acima) | QFile::ExeOther));
                QVERIFY(QFile::setPermissions(pasta, QFile::permissions(pasta) | QFile::WriteOther | QFile::ReadOther));
                QVERIFY(QFile::setPermissions(ambiente.bancoLocal(), QFile::permissions(ambiente.bancoLocal())
                                                                         | QFile::WriteOther | QFile::ReadOther));
                grava(pasta + QStringLiteral("/tavo-upload.lock"), "1\ntavo-upload\nsudo\n");
                if (!ninguemAlcanca(QStringLiteral(TAVO_UPLOAD), pasta)) {
                    qWarning("the user nobody cannot reach the build or the test's folder: every round runs as root");
                    comoOutroUsuario = outroUsuario = false;
                }
            }

            // Three or four starts: one or two windows, the rest commands.
            std::vector<Partida> partidas;
            const int quantas = 3 + rodada % 2;
            for (int i = 0; i < quantas; ++i) {
                Partida partida;
                partida.janela = i == 0 || (i == 2 && rodada % 3 == 0);
                partida.processo = std::make_unique<QProcess>();
                partida.processo->setProcessChannelMode(QProcess::MergedChannels);
                partida.processo->setStandardInputFile(QProcess::nullDevice());
                QStringList argumentos;
                if (outroUsuario)
                    argumentos << comoNinguem();
                argumentos << (partida.janela ? QStringLiteral(TAVO_UPLOAD) : QStringLiteral(TAVO_UPLOAD_CLI));
                if (!partida.janela)
                    argumentos << comandos.at((rodada + i) % comandos.size());
                partidas.push_back(std::move(partida));
                partidas.back().processo->setProgram(outroUsuario ? QStringLiteral("setpriv") : argumentos.takeFirst());
                partidas.back().processo->setArguments(argumentos);
            }
            for (Partida &partida : partidas)
                partida.processo->start();

            QDeadlineTimer prazo(kLimiteMs);
            for (Partida &partida : partidas) {
                // One that has already ended has started (and waits for nothing).
                QVERIFY2(partida.processo->state() == QProcess::NotRunning
                             ? partida.processo->error() == QProcess::UnknownError
                             : partida.processo->waitForStarted(kLimiteMs),
                         qPrintable(partida.processo->errorString()));
                if (!partida.janela) {
                    QVERIFY2(partida.processo->state() == QProcess::NotRunning
                                 || partida.processo->waitForFinished(static_cast<int>(prazo.remainingTime())),
                             "a command did not end");
                    continue;
                }
                while (!janelaTerminouAPartida(le(log), partida.processo->processId())
                       && partida.processo->state() == QProcess::Running && !prazo.hasExpired())
                    QTest::qWait(20);
                const QByteArray saida = partida.processo->readAll();
                QVERIFY2(!prazo.hasExpired(), saida.constData());
                partida.processo->kill();
                QVERIFY(partida.processo->state() == QProcess::NotRunning || partida.processo->waitForFinished(10000));
            }

            const QString contexto = QStringLiteral("round %1 (%2)").arg(rodada).arg(fixture);
            QVERIFY2(formatoDoBancoSqlite(ambiente.bancoLocal()), qPrintable(contexto));
            QCOMPARE(le(log).count("Local database converted from the Access format"), 1);
            QCOMPARE(le(ambiente.bancoLocal() + QStringLiteral(".access")), le(AmbienteTeste::dado(fixture)));
            QCOMPARE(ambiente.valor(QStringLiteral("select ip_servidor||'|'||qtde_portas||'|'||porta_inicial||'|'||"
                                                   "(select count(*) from configuracao) from configuracao")),
                     QStringLiteral("127.0.0.40|3|5000|1"));
            QCOMPARE(ambiente.valor(QStringLiteral("select count(*)||'|'||group_concat(Nome_arquivo) from Historico")),
                     QStringLiteral("4|DADOS_31045678_05112026.zip,DADOS_31045678_28112026.zip,"
                                    "DADOS_31000001_02102026.zip,DADOS_31099999_10112026.zip"));
            QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from ACE_ESTRUT_ORGN")), QStringLiteral("38"));
            const QStringList restos = QDir(pasta).entryList(
                {QStringLiteral("*.convertendo*"), QStringLiteral("*.copiando"), QStringLiteral("*.novo"),
                 QStringLiteral("*-journal"), QStringLiteral("UploadCliente.mdb.access.*")},
                QDir::AllEntries | QDir::Hidden | QDir::System);
            QVERIFY2(restos.isEmpty(), qPrintable(contexto + QLatin1Char(' ') + restos.join(QLatin1Char(' '))));
        }
    }

private:
    static bool formatoDoBancoSqlite(const QString &caminho) { return le(caminho).startsWith("SQLite format 3"); }
};

QTEST_GUILESS_MAIN(TstPartidasSimultaneas)
#include "tst_partidasSimultaneas.moc"
