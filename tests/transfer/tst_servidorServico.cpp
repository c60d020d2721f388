// The reference server as a service: the folder it stores in never depends on
// the working folder, --max-sessions closes the connections beyond the limit
// unanswered while the sessions within it go on, and no client, however it
// behaves, tears or loses a package, has a torn one logged complete, or holds
// the service.
#include "CenarioTransmissao.h"

#include "support/Auxiliares.h"
#include "support/PastaPequena.h"
#include "support/ProcessoServidor.h"

#include "package/modAddZip.h"
#include "transfer/Espera.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>
#include <optional>
#include <vector>

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

// One step of a raw client's script.
struct Passo
{
    enum Tipo { Conecta, Envia, Resposta, Dados, Pausa, Fecha, Fechado, Aberto, Registro } tipo;
    int cliente = 0;
    QByteArray texto;  // what is sent, the answer or the log line awaited
    qint64 numero = 0; // how many of the client's bytes go (Dados), or milliseconds (Pausa)
};
using Roteiro = QList<Passo>;
using Arquivos = QMap<QByteArray, QByteArray>; // path under the storage folder: content

// The bytes client `cliente` sends, the same on every run.
QByteArray bytesDo(int cliente, qint64 ate)
{
    return aleatorio(ate, quint32(cliente + 1));
}

// The files under `pasta` (hidden ones too), relative, with the suffix of a
// package kept beside a newer one written as ".<data>".
Arquivos arquivosEm(const QString &pasta)
{
    static const QRegularExpression data(QStringLiteral("\\.[0-9]{8}-[0-9]{6}(-[0-9]+)?"));
    Arquivos arquivos;
    QDirIterator i(pasta, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (i.hasNext()) {
        const QString caminho = i.next();
        arquivos.insert(QDir(pasta).relativeFilePath(caminho).replace(data, QStringLiteral(".<data>")).toUtf8(),
                        le(caminho));
    }
    return arquivos;
}

} // namespace

Q_DECLARE_METATYPE(Roteiro)
Q_DECLARE_METATYPE(Arquivos)

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

    // Raw clients on 127.0.0.1, each as a script; then what is stored, how
    // many packages the log calls complete, and one line it must hold.
    void clienteHostil_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QByteArray>("disco");
        QTest::addColumn<Arquivos>("antes");
        QTest::addColumn<Roteiro>("roteiro");
        QTest::addColumn<Arquivos>("depois");
        QTest::addColumn<int>("completos");
        QTest::addColumn<QString>("registro");
        const auto passo = [](Passo::Tipo tipo, int c, const QByteArray &texto = {}, qint64 numero = 0) {
            return Roteiro{{tipo, c, texto, numero}};
        };
        const auto saudado = [&](int c) {
            return passo(Passo::Conecta, c) + passo(Passo::Envia, c, "Request#:PACKET")
                   + passo(Passo::Resposta, c, "Received PACKET 2048");
        };
        const auto arquivo = [&](int c, const QByteArray &nome, const QByteArray &tamanho,
                                 const QByteArray &escola = "ESCOLA TESTE") {
            return saudado(c)
                   + passo(Passo::Envia, c,
                           "File~~~#:name~#:" + nome + "*0000000114SRE TESTE*31045678" + escola
                               + "*ANUAL"
                                 "File~~~#:size~#:"
                               + tamanho);
        };
        const auto concedido = [&](int c) { return passo(Passo::Resposta, c, "Received PEND~# 1"); };
        const auto recusado = [&](int c) { return passo(Passo::Resposta, c, "Received PEND~# 0"); };
        const auto dados = [&](int c, qint64 n) { return passo(Passo::Dados, c, {}, n); };
        const auto registro = [&](const char *linha) { return passo(Passo::Registro, 0, linha); };
        const auto envio = [](qint64 tamanho) -> QByteArray {
            return QByteArray("tamanho_recebido: ") + QByteArray::number(tamanho);
        };
        const Arquivos antigo{{"N/N", "ANTIGO"}, {"N/envio.txt", envio(6)}};
        const QStringList ocioso{QStringLiteral("--idle-timeout"), QStringLiteral("1")};
        const auto recusa = [&](const char *linha, const QByteArray &nome, const QByteArray &tamanho,
                                const QStringList &argumentos = {}) {
            QTest::newRow(linha) << argumentos << QByteArray() << antigo << arquivo(0, nome, tamanho) + recusado(0)
                                 << antigo << 0 << QStringLiteral("refusing the file");
        };

        QTest::newRow("two senders of one name: the last to complete is the latest, the other is kept")
            << QStringList() << QByteArray() << Arquivos()
            << arquivo(0, "N", "1000") + concedido(0) + arquivo(1, "N", "1000") + concedido(1) + dados(0, 600)
                   + dados(1, 1000) + registro("file complete") + dados(0, 400)
            << Arquivos{{"N/N", bytesDo(0, 1000)},
                        {"N/envio.txt", envio(1000)},
                        {"N/N.<data>", bytesDo(1, 1000)},
                        {"N/N.<data>.envio.txt", envio(1000)}}
            << 2 << QStringLiteral("is kept as");
        QTest::newRow("a sender that quits mid-file leaves another's file alone")
            << QStringList() << QByteArray() << Arquivos()
            << arquivo(0, "N", "1000") + concedido(0) + arquivo(1, "N", "1000") + concedido(1) + dados(1, 500)
                   + passo(Passo::Fecha, 1) + registro("nothing stored") + dados(0, 1000)
            << Arquivos{{"N/N", bytesDo(0, 1000)}, {"N/envio.txt", envio(1000)}} << 1
            << QStringLiteral("connection ended before the end of the file (500 of 1000 bytes)");
        QTest::newRow("a full storage folder closes the connection")
            << QStringList() << QByteArray("64k") << Arquivos()
            << arquivo(0, "N", "300000") + concedido(0) + dados(0, 300000) + passo(Passo::Fechado, 0) << Arquivos() << 0
            << QStringLiteral("cannot write");
        recusa("size abc", "N", "abc");
        recusa("size -5", "N", "-5");
        recusa("size of 23 digits", "N", "99999999999999999999999");
        recusa("size over --max-bytes", "N", "1001", {QStringLiteral("--max-bytes"), QStringLiteral("1000")});
        recusa("a package named envio.txt", "ENVIO.TXT", "5");
        recusa("a line break in the name", "X\nfile complete, 5 bytes, stored in /N/N", "5");
        recusa("a control character in the name", "X\x01", "5");
        QTest::newRow("a refused client is not closed for its silence")
            << ocioso << QByteArray() << antigo
            << arquivo(0, "N", "abc") + recusado(0) + passo(Passo::Pausa, 0, {}, 1500) + passo(Passo::Aberto, 0)
            << antigo << 0 << QStringLiteral("refusing the file");
        QTest::newRow("a size split by a pause")
            << QStringList() << QByteArray() << antigo
            << arquivo(0, "N", "12") + passo(Passo::Pausa, 0, {}, 150) + passo(Passo::Envia, 0, "00") + concedido(0)
                   + dados(0, 1200) + registro("file complete")
            << Arquivos{{"N/N", bytesDo(0, 1200)},
                        {"N/envio.txt", envio(1200)},
                        {"N/N.<data>", "ANTIGO"},
                        {"N/N.<data>.envio.txt", envio(6)}}
            << 1 << QStringLiteral("size 1200 bytes");
        QTest::newRow("a line break in the school's name stays in its line")
            << QStringList() << QByteArray() << Arquivos()
            << arquivo(0, "N", "5", "ESCOLA\ntamanho_recebido: 9") + concedido(0) + dados(0, 5)
                   + registro("file complete")
            << Arquivos{{"N/N", bytesDo(0, 5)}, {"N/envio.txt", "31045678\nescola: ESCOLA\\x0Atamanho_recebido: 9\n"}}
            << 1 << QStringLiteral("ESCOLA\\x0Atamanho_recebido");
        QTest::newRow("an endless greeting")
            << QStringList() << QByteArray() << Arquivos()
            << passo(Passo::Conecta, 0) + passo(Passo::Envia, 0, QByteArray(65536, 'x')) + passo(Passo::Fechado, 0)
            << Arquivos() << 0 << QStringLiteral("no packet request");
        QTest::newRow("an endless file header")
            << QStringList() << QByteArray() << Arquivos()
            << saudado(0) + passo(Passo::Envia, 0, "File~~~#:name~#:" + QByteArray(65536, 'x'))
                   + passo(Passo::Fechado, 0)
            << Arquivos() << 0 << QStringLiteral("longer than");
        QTest::newRow("silent before the packet request")
            << ocioso << QByteArray() << Arquivos() << passo(Passo::Conecta, 0) + passo(Passo::Fechado, 0) << Arquivos()
            << 0 << QStringLiteral("waiting for the packet request");
        QTest::newRow("silent before the file header")
            << ocioso << QByteArray() << Arquivos() << saudado(0) + passo(Passo::Fechado, 0) << Arquivos() << 0
            << QStringLiteral("waiting for the file header");
        QTest::newRow("silent in the data")
            << ocioso << QByteArray() << Arquivos()
            << arquivo(0, "N", "1000") + concedido(0) + dados(0, 10) + passo(Passo::Fechado, 0) << Arquivos() << 0
            << QStringLiteral("10 of 1000 bytes received; nothing stored");
        QTest::newRow("leftovers of a run killed mid-package")
            << QStringList() << QByteArray()
            << Arquivos{{"N/N", "ANTIGO"}, {"N/N.parcial", "resto"}, {"N/.recebendo-0123456789abcdef.parcial", "resto"}}
            << Roteiro() << Arquivos{{"N/N", "ANTIGO"}} << 0 << QStringLiteral("left by an earlier run");
    }
    void clienteHostil()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(QByteArray, disco);
        QFETCH(Arquivos, antes);
        QFETCH(Roteiro, roteiro);
        QFETCH(Arquivos, depois);
        QFETCH(int, completos);
        QFETCH(QString, registro);
        ProcessoServidor servidor;
        std::optional<PastaPequena> pequena;
        if (!disco.isEmpty() && !pequena.emplace(servidor.pasta(), disco).montada())
            QSKIP("mounting a tmpfs needs root");
        for (auto i = antes.cbegin(); i != antes.cend(); ++i)
            grava(QDir(servidor.pasta()).filePath(QString::fromUtf8(i.key())), i.value());
        const quint16 porta = servidor.inicia(argumentos);
        QVERIFY2(porta > 0, qPrintable(servidor.saida()));

        std::map<int, std::unique_ptr<QTcpSocket>> clientes;
        std::map<int, QByteArray> recebidos;
        std::map<int, qint64> enviados;
        const auto aguarda = [&](const std::function<bool()> &condicao, const Passo &p) {
            if (!QTest::qWaitFor(condicao, 5000))
                QFAIL(qPrintable(QStringLiteral("step %1 of client %2 (\"%3\") not done in 5 s; the server said:\n%4")
                                     .arg(int(p.tipo))
                                     .arg(p.cliente)
                                     .arg(QString::fromLatin1(p.texto.left(40)), servidor.saida())));
        };
        for (const Passo &p : roteiro) {
            std::unique_ptr<QTcpSocket> &cliente = clientes[p.cliente];
            QByteArray &recebido = recebidos[p.cliente];
            switch (p.tipo) {
            case Passo::Conecta:
                cliente = std::make_unique<QTcpSocket>();
                cliente->connectToHost(QHostAddress::LocalHost, porta);
                aguarda([&] { return cliente->state() == QAbstractSocket::ConnectedState; }, p);
                aguarda([&] { return (recebido += cliente->readAll()).startsWith(kSaudacao); }, p);
                recebido.remove(0, kSaudacao.size());
                break;
            case Passo::Envia:
                cliente->write(p.texto);
                break;
            case Passo::Resposta:
                aguarda([&] { return (recebido += cliente->readAll()).startsWith(p.texto); }, p);
                recebido.remove(0, p.texto.size());
                break;
            case Passo::Dados:
                cliente->write(bytesDo(p.cliente, enviados[p.cliente] + p.numero).mid(enviados[p.cliente]));
                enviados[p.cliente] += p.numero;
                break;
            case Passo::Pausa:
                QTest::qWait(int(p.numero));
                break;
            case Passo::Fecha:
                cliente->disconnectFromHost();
                break;
            case Passo::Fechado:
                aguarda([&] { return cliente->state() == QAbstractSocket::UnconnectedState; }, p);
                break;
            case Passo::Aberto:
                QCOMPARE(cliente->state(), QAbstractSocket::ConnectedState);
                break;
            case Passo::Registro:
                aguarda([&] { return servidor.saida().contains(QString::fromLatin1(p.texto)); }, p);
                break;
            }
            if (QTest::currentTestFailed())
                return;
        }
        // Every client gone, and the server done with each.
        for (auto &[numero, cliente] : clientes)
            cliente->disconnectFromHost();
        static const QRegularExpression fim(QStringLiteral(": (disconnected|connection ended before)"));
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return servidor.saida().count(QStringLiteral(": connected")) == servidor.saida().count(fim); },
                5000),
            qPrintable(servidor.saida()));

        const Arquivos achados = arquivosEm(servidor.pasta());
        QCOMPARE(achados.keys(), depois.keys());
        for (auto i = depois.cbegin(); i != depois.cend(); ++i)
            QVERIFY2(i.key().endsWith("envio.txt") ? achados[i.key()].contains(i.value())
                                                   : achados[i.key()] == i.value(),
                     i.key().constData());
        QCOMPARE(servidor.saida().count(QStringLiteral(": file complete, ")), completos);
        QVERIFY2(servidor.saida().contains(registro), qPrintable(servidor.saida()));
    }

    // More clients than the server's open files allow: the ones beyond wait
    // (the server does not spin on a port it cannot accept from), and are
    // served once the others are gone.
    void maisClientesQueDescritores()
    {
        ProcessoServidor servidor;
        servidor.limitaDescritores(64);
        const quint16 porta = servidor.inicia({});
        QVERIFY2(porta > 0, qPrintable(servidor.saida()));
        std::vector<std::unique_ptr<QTcpSocket>> ocupantes(60);
        for (auto &ocupante : ocupantes) {
            ocupante = std::make_unique<QTcpSocket>();
            ocupante->connectToHost(QHostAddress::LocalHost, porta);
        }
        QTRY_VERIFY_WITH_TIMEOUT(servidor.saida().contains(QLatin1String("new connections wait")), 5000);
        const double antes = servidor.cpuSegundos();
        QTest::qWait(1000);
        QVERIFY2(servidor.cpuSegundos() - antes < 0.3, "the server spins while out of open files");
        ocupantes.clear();
        QTcpSocket cliente;
        bool fechado = false;
        QCOMPARE(primeiraPalavra(cliente, porta, fechado), kSaudacao);
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
