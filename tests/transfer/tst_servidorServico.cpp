// The reference server as a service: the folder it stores in never depends on
// the working folder, and --max-sessions closes the connections beyond the
// limit unanswered while the sessions within it go on.
#include "CenarioTransmissao.h"

#include "support/Auxiliares.h"
#include "support/ProcessoServidor.h"

#include "package/modAddZip.h"
#include "transfer/Espera.h"

#include <QDir>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

const QByteArray kSaudacao = QByteArrayLiteral("Received accept");

// A client that connects and waits for the server's first word or its close.
// Returns what arrived; `fechado` tells whether the server closed it.
QByteArray primeiraPalavra(QTcpSocket &socket, quint16 porta, bool &fechado)
{
    socket.connectToHost(QHostAddress::LocalHost, porta);
    if (!socket.waitForConnected(5000))
        return {};
    if (!QTest::qWaitFor(
            [&socket] { return socket.bytesAvailable() > 0 || socket.state() != QAbstractSocket::ConnectedState; },
            5000))
        return QByteArrayLiteral("(neither a word nor a close within 5 s)");
    fechado = socket.state() != QAbstractSocket::ConnectedState;
    return socket.readAll();
}

} // namespace

class TstServidorServico : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        IniciaComponenteZip();
        LimitesEspera::define(2000ms, 10000ms);
    }
    void cleanupTestCase() { LimitesEspera::restaura(); }

    void pastaDosRecebidos_data()
    {
        QTest::addColumn<QString>("opcao");
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QString>("esperada");
        QTest::newRow("nothing given") << QString() << QString() << QStringLiteral("/srv/atual/recebidos");
        QTest::newRow("--dir absolute") << QStringLiteral("/tmp/x") << QString() << QStringLiteral("/tmp/x");
        QTest::newRow("--dir relative") << QStringLiteral("a/../b") << QString() << QStringLiteral("/srv/atual/b");
        QTest::newRow("the service's folder") << QString() << QStringLiteral("/var/lib/tavo-upload-server")
                                              << QStringLiteral("/var/lib/tavo-upload-server");
        QTest::newRow("the first of the service's folders")
            << QString() << QStringLiteral("/var/lib/a:/var/lib/b") << QStringLiteral("/var/lib/a");
        QTest::newRow("--dir wins over the service's folder")
            << QStringLiteral("/tmp/x") << QStringLiteral("/var/lib/a") << QStringLiteral("/tmp/x");
    }
    void pastaDosRecebidos()
    {
        QFETCH(QString, opcao);
        QFETCH(QString, estado);
        QFETCH(QString, esperada);
        QCOMPARE(pastaRecebidos(opcao, estado, QStringLiteral("/srv/atual")), esperada);
    }

    // As the service runs it: no --dir, systemd's STATE_DIRECTORY, and a
    // working folder elsewhere.
    void servicoGuardaNaPastaDoEstado()
    {
        QTemporaryDir estado;
        QTemporaryDir trabalho;
        const QString pasta = estado.filePath(QStringLiteral("tavo-upload-server"));
        QProcess processo;
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.insert(QStringLiteral("STATE_DIRECTORY"), pasta);
        processo.setProcessEnvironment(ambiente);
        processo.setWorkingDirectory(trabalho.path());
        processo.setProcessChannelMode(QProcess::MergedChannels);
        processo.start(QStringLiteral(TAVO_UPLOAD_SERVER), {QStringLiteral("--port"), QStringLiteral("0")});
        QString saida;
        const bool ouvindo = QTest::qWaitFor(
            [&] {
                saida += QString::fromUtf8(processo.readAll());
                return saida.contains(QLatin1Char('\n'));
            },
            10000);
        processo.kill();
        processo.waitForFinished(5000);
        QVERIFY2(ouvindo, qPrintable(saida));
        QVERIFY2(saida.contains(QStringLiteral("storing packages in ") + pasta + QLatin1Char('\n')), qPrintable(saida));
        QVERIFY(QFileInfo(pasta).isDir());
        QVERIFY(QDir(trabalho.path()).isEmpty());
    }

    // One client in a session (greeted, quiet); a second one connects.
    void segundoClienteConformeOLimite_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<bool>("atendido");
        QTest::newRow("no limit") << QStringList() << true;
        QTest::newRow("limit 0") << QStringList{QStringLiteral("--max-sessions"), QStringLiteral("0")} << true;
        QTest::newRow("limit 2") << QStringList{QStringLiteral("--max-sessions"), QStringLiteral("2")} << true;
        QTest::newRow("limit 1") << QStringList{QStringLiteral("--max-sessions"), QStringLiteral("1")} << false;
    }
    void segundoClienteConformeOLimite()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, atendido);
        ProcessoServidor servidor;
        const quint16 porta = servidor.inicia(argumentos);
        QVERIFY2(porta > 0, qPrintable(servidor.saida()));
        QTcpSocket primeiro;
        bool fechado = false;
        QCOMPARE(primeiraPalavra(primeiro, porta, fechado), kSaudacao);
        QVERIFY(!fechado);

        QTcpSocket segundo;
        const QByteArray recebido = primeiraPalavra(segundo, porta, fechado);
        QCOMPARE(recebido, atendido ? kSaudacao : QByteArray());
        QCOMPARE(fechado, !atendido);
        QCOMPARE(servidor.saida().contains(QLatin1String("closed unanswered")), !atendido);

        // Once the first is gone its place is free again.
        primeiro.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(servidor.saida().contains(QLatin1String("disconnected")), 5000);
        QTcpSocket terceiro;
        QCOMPARE(primeiraPalavra(terceiro, porta, fechado), kSaudacao);
        QVERIFY(!fechado);
    }

    // The real client sends while a second connection is turned away: the
    // package still arrives whole.
    void sessaoEmCursoTerminaIntacta()
    {
        ProcessoServidor servidor;
        const quint16 porta = servidor.inicia(
            {QStringLiteral("--max-sessions"), QStringLiteral("1"), QStringLiteral("--slow"), QStringLiteral("256")});
        QVERIFY2(porta > 0, qPrintable(servidor.saida()));
        CenarioSessao cenario(1, porta);
        cenario.colocaPacote(qint64(600000));

        std::unique_ptr<QTcpSocket> intruso;
        QByteArray recebidoIntruso;
        bool intrusoFechado = false;
        QObject::connect(&cenario.sessao, &SessaoTransferencia::progresso, this, [&](int valor) {
            // Only once the data flow: the client is in its session by then.
            if (intruso || valor <= 0)
                return;
            intruso = std::make_unique<QTcpSocket>();
            QObject::connect(intruso.get(), &QTcpSocket::readyRead, this,
                             [&] { recebidoIntruso += intruso->readAll(); });
            QObject::connect(intruso.get(), &QTcpSocket::disconnected, this, [&] { intrusoFechado = true; });
            intruso->connectToHost(QHostAddress::LocalHost, porta);
        });
        QCOMPARE(cenario.transmite(), SessaoTransferencia::Fim::Concluida);

        QVERIFY(intruso);
        QVERIFY(intrusoFechado);
        QVERIFY(recebidoIntruso.isEmpty());
        const QString pasta = QDir(servidor.pasta()).filePath(CenarioEnvio::kNomePacote);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(pasta).filePath(QStringLiteral("envio.txt"))), 5000);
        QVERIFY(le(QDir(pasta).filePath(CenarioEnvio::kNomePacote)) == cenario.conteudo);
        QCOMPARE(cenario.registros(), 1);
        QVERIFY(servidor.saida().contains(QLatin1String("1 sessions already, connection closed unanswered")));
    }

    // The client turned away sees a connection lost before the package went
    // out (a send worth trying again), records nothing, and gets through
    // once the place is free.
    void clienteRecusadoConsegueDepois()
    {
        ProcessoServidor servidor;
        const quint16 porta = servidor.inicia({QStringLiteral("--max-sessions"), QStringLiteral("1")});
        QVERIFY2(porta > 0, qPrintable(servidor.saida()));
        auto ocupante = std::make_unique<QTcpSocket>();
        bool fechado = false;
        QCOMPARE(primeiraPalavra(*ocupante, porta, fechado), kSaudacao);
        CenarioSessao cenario(1, porta);
        cenario.colocaPacote(qint64(5000));

        QCOMPARE(cenario.transmite(1), SessaoTransferencia::Fim::NaoConcluida);
        QCOMPARE(cenario.caixas.textos().last(), QStringLiteral("A transferência falhou. A conexão foi perdida."));
        QCOMPARE(cenario.registros(), 0);
        QVERIFY(QDir(servidor.pasta()).isEmpty());

        ocupante.reset();
        QTRY_VERIFY_WITH_TIMEOUT(servidor.saida().contains(QLatin1String("disconnected")), 5000);
        QCOMPARE(cenario.transmite(), SessaoTransferencia::Fim::Concluida);
        QCOMPARE(cenario.registros(), 1);
        const QString pasta = QDir(servidor.pasta()).filePath(CenarioEnvio::kNomePacote);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(pasta).filePath(QStringLiteral("envio.txt"))), 5000);
        QVERIFY(le(QDir(pasta).filePath(CenarioEnvio::kNomePacote)) == cenario.conteudo);
    }
};

QTEST_MAIN(TstServidorServico)
#include "tst_servidorServico.moc"
