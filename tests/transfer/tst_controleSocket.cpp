// The socket control and the bounded wait, against a real server on 127.0.0.1.
#include "transfer/ControleSocket.h"
#include "transfer/Espera.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace std::chrono_literals;

namespace {

// A server that keeps its one accepted connection and everything it read.
struct Par
{
    QTcpServer servidor;
    QPointer<QTcpSocket> lado;
    QByteArray recebido;
    ControleSocket cliente;

    bool liga()
    {
        if (!servidor.listen(QHostAddress::LocalHost, 0))
            return false;
        QObject::connect(&servidor, &QTcpServer::newConnection, &servidor, [this] {
            lado = servidor.nextPendingConnection();
            QObject::connect(lado, &QTcpSocket::readyRead, lado, [this] { recebido += lado->readAll(); });
        });
        cliente.conecta(QStringLiteral("127.0.0.1"), servidor.serverPort());
        Espera espera(cliente, nullptr);
        return espera.ate([this] { return !cliente.conectando(); }, 5s, Espera::Modo::Conexao) == FimEspera::Pronta
               && cliente.conectado() && QTest::qWaitFor([this] { return !lado.isNull(); }, 5000);
    }
};

} // namespace

class TstControleSocket : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void envioCompletoQuandoTudoFoiEntregue()
    {
        Par par;
        QVERIFY(par.liga());
        QSignalSpy completos(&par.cliente, &ControleSocket::envioCompleto);
        // Larger than the system's socket buffer, so that part of it waits
        // in the control after the send returns.
        QByteArray bloco(32 << 20, '\0');
        for (int i = 0; i < bloco.size(); ++i)
            bloco[i] = char(i * 7);
        QVERIFY(par.cliente.envia(bloco));
        QVERIFY(par.cliente.bytesPorEnviar() > 0);
        QTRY_COMPARE_WITH_TIMEOUT(completos.size(), 1, 5000);
        QCOMPARE(par.cliente.bytesPorEnviar(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(par.recebido.size(), bloco.size(), 5000);
        QCOMPARE(par.recebido, bloco);
        // Several signals of progress, one completion.
        QTest::qWait(20);
        QCOMPARE(completos.size(), 1);

        QVERIFY(par.cliente.envia(QStringLiteral("JOÃO")));
        QTRY_COMPARE_WITH_TIMEOUT(completos.size(), 2, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(par.recebido.mid(bloco.size()), QByteArray("JO\xC3O"), 5000);
    }

    void dadosChegamEFechamentoPeloServidor()
    {
        Par par;
        QVERIFY(par.liga());
        QSignalSpy chegadas(&par.cliente, &ControleSocket::dadosChegaram);
        QSignalSpy fechados(&par.cliente, &ControleSocket::fechadoPeloServidor);
        par.lado->write("Received accept");
        QTRY_VERIFY_WITH_TIMEOUT(!chegadas.isEmpty(), 5000);
        QCOMPARE(par.cliente.leTudo(), QByteArray("Received accept"));

        Espera espera(par.cliente, nullptr);
        QTimer::singleShot(30, par.lado, [&par] { par.lado->disconnectFromHost(); });
        QCOMPARE(espera.ate([] { return false; }, 5s), FimEspera::Fechada);
        QCOMPARE(fechados.size(), 1);
        QVERIFY(!par.cliente.envia(QByteArray("x")));
    }

    void fechamentoProprioNaoEAvisoDoServidor()
    {
        Par par;
        QVERIFY(par.liga());
        QSignalSpy fechados(&par.cliente, &ControleSocket::fechadoPeloServidor);
        par.cliente.leitor().acrescenta("Received PAC");
        par.cliente.fecha();
        QVERIFY(!par.cliente.conectado());
        QCOMPARE(par.cliente.leitor().pendentes(), 0);
        QTest::qWait(50);
        QCOMPARE(fechados.size(), 0);
        par.cliente.fecha(); // closing twice is harmless
    }

    void esperaTerminaNoPrazoOuNoCancelamento()
    {
        Par par;
        QVERIFY(par.liga());
        Espera espera(par.cliente, nullptr);
        QElapsedTimer relogio;
        relogio.start();
        QCOMPARE(espera.ate([] { return false; }, 150ms), FimEspera::Esgotada);
        QVERIFY(relogio.elapsed() >= 140);
        QVERIFY(relogio.elapsed() < 3000);

        bool cancelado = false;
        QTimer gatilho;
        gatilho.setSingleShot(true);
        // The flag is set by the earlier connection (as a click handler
        // is); the wait wakes on the same signal and sees it.
        QObject::connect(&gatilho, &QTimer::timeout, &gatilho, [&cancelado] { cancelado = true; });
        Espera cancelavel(par.cliente, [&cancelado] { return cancelado; });
        cancelavel.acordaCom(&gatilho, &QTimer::timeout);
        gatilho.start(30);
        relogio.restart();
        QCOMPARE(cancelavel.ate([] { return false; }, 5s), FimEspera::Cancelada);
        QVERIFY(relogio.elapsed() < 3000);

        // A condition that already holds ends at once; one that a data
        // arrival makes true ends with it.
        QCOMPARE(espera.ate([] { return true; }, 5s), FimEspera::Pronta);
        par.lado->write("x");
        QCOMPARE(espera.ate([&par] { return par.cliente.leTudo() == "x"; }, 5s), FimEspera::Pronta);
    }

    void portaForaDaFaixaNaoTentaConectar()
    {
        for (const qint64 porta : {qint64(0), qint64(65536), qint64(-1)}) {
            ControleSocket cliente;
            cliente.conecta(QStringLiteral("127.0.0.1"), porta);
            QVERIFY(!cliente.conectando());
            QVERIFY(!cliente.conectado());
        }
    }

    // Without the module that makes connections, an attempt fails at once
    // and the control says why; the next control finds the module again.
    void semOModuloDeRedeATentativaFalhaLogo()
    {
        QTemporaryDir vazia;
        const QByteArray antes = qgetenv("TAVO_MODULOS");
        qputenv("TAVO_MODULOS", QFile::encodeName(vazia.path()));
        {
            ControleSocket cliente;
            QSignalSpy estados(&cliente, &ControleSocket::estadoMudou);
            cliente.conecta(QStringLiteral("127.0.0.1"), 47000);
            qputenv("TAVO_MODULOS", antes);
            QCOMPARE(estados.size(), 1);
            QVERIFY(!cliente.conectando());
            QVERIFY(!cliente.conectado());
            QVERIFY(!cliente.envia(QByteArray("x")));
            QVERIFY2(cliente.erro().startsWith(QStringLiteral("the network module cannot be loaded: tavo-rede.")),
                     qPrintable(cliente.erro()));
        }
        Par par;
        QVERIFY(par.liga());
    }
};

QTEST_GUILESS_MAIN(TstControleSocket)
#include "tst_controleSocket.moc"
