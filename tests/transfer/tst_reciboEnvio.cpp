// The receipt of a send: the bytes the reference server took, recorded with
// the Historico row in one transaction, or nothing recorded at all.
#include "ServidorUpload.h"

#include "common/Caminhos.h"
#include "common/Interlocutor.h"
#include "common/Relogio.h"
#include "history/GeraHistorico.h"
#include "package/modAddZip.h"
#include "transfer/Espera.h"
#include "transfer/SessaoTransferencia.h"

#include "support/AmbienteTeste.h"
#include "support/Anotador.h"
#include "support/Auxiliares.h"
#include "support/PacoteZip.h"

#include <QCryptographicHash>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// Answers every message OK and keeps its text.

quint16 portaLivre()
{
    QTcpServer sonda;
    sonda.listen(QHostAddress::LocalHost, 0);
    return sonda.serverPort();
}

// One send of a package of `dados` to a reference server on loopback.
struct Envio
{
    ResultadoEnvio resultado;
    QByteArray recebido;
    QStringList textos;
};

Envio envia(const QByteArray &dados)
{
    const QString pacote = Caminhos::pastaTrabalho() + QStringLiteral("\\DADOS_31045678_07122026.zip");
    grava(instalacaoAtual().local(pacote), PacoteZip::armazenado(dados));
    QTemporaryDir recebidos;
    ConfiguracaoServidor configuracao;
    configuracao.portaInicial = portaLivre();
    configuracao.pasta = recebidos.path();
    ServidorUpload servidor(configuracao);
    Envio envio;
    if (servidor.inicia() != 1)
        return envio;
    QString chegou;
    QObject::connect(&servidor, &ServidorUpload::arquivoRecebido, &servidor,
                     [&chegou](const QString &caminho) { chegou = caminho; });
    Anotador usuario;
    SessaoTransferencia sessao(instalacaoAtual(), usuario);
    envio.resultado = sessao.transmite(
        {QStringLiteral("127.0.0.1"), 1, static_cast<std::int32_t>(configuracao.portaInicial), 2000ms, 10000ms},
        PacoteEscolhido::comOrigem(instalacaoAtual(), pacote, pacote, QStringLiteral("31045678"), QStringLiteral("E")),
        {QStringLiteral("114"), QStringLiteral("S"), QStringLiteral("31045678"), QStringLiteral("E"),
         QStringLiteral("ANUAL")});
    envio.textos = usuario.textos;
    if (QTest::qWaitFor([&chegou] { return !chegou.isEmpty(); }, 5000))
        envio.recebido = le(chegou);
    return envio;
}

} // namespace

class TstReciboEnvio : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IniciaComponenteZip(); }

    void reciboQueNaoSeGravaDeixaOEnvioSemRegistro_data()
    {
        QTest::addColumn<QString>("preparo");
        QTest::newRow("gatilho que recusa") << QStringLiteral(
            "create trigger recusa before insert on recibo_envio begin select raise(abort, 'recibo recusado'); end");
        QTest::newRow("tabela que é uma visão")
            << QStringLiteral("create view recibo_envio as select 1 as nome_arquivo, 2 as data_envio, 3 as tamanho,"
                              " 4 as sha256");
    }
    void reciboQueNaoSeGravaDeixaOEnvioSemRegistro()
    {
        QFETCH(QString, preparo);
        AmbienteTeste ambiente;
        ambiente.executa(QStringLiteral("drop table if exists recibo_envio"));
        if (preparo.startsWith(QLatin1String("create trigger")))
            ambiente.executa(QStringLiteral("create table recibo_envio (nome_arquivo TEXT, data_envio DATETIME,"
                                            " tamanho INTEGER, sha256 TEXT)"));
        ambiente.executa(preparo);

        const Envio envio = envia(aleatorio(5000, 7));
        QCOMPARE(envio.resultado.desfecho, Desfecho::ConcluidoSemRegistro);
        QVERIFY(!envio.recebido.isEmpty());
        QCOMPARE(envio.textos.size(), 2);
        QCOMPARE(envio.textos.at(0), QStringLiteral("A transferência do arquivo foi concluída com sucesso!"));
        QVERIFY(envio.textos.at(1).startsWith(
            QStringLiteral("O arquivo foi enviado, mas o envio não pôde ser gravado no histórico.\r\n")));
        // Neither row: the history does not show a send without its receipt.
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from Historico")), QStringLiteral("0"));
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from sqlite_master where name = 'recibo_envio'"
                                               " and type = 'table'")),
                 preparo.startsWith(QLatin1String("create trigger")) ? QStringLiteral("1") : QStringLiteral("0"));
    }

    // The receipt of the bytes the server took, and the month's rows each
    // with its own receipt, for the console.
    void reciboDoEnvioNoHistoricoDoMes()
    {
        AmbienteTeste ambiente;
        Relogio::fixa(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)));
        const Envio envio = envia(aleatorio(70000, 22));
        Relogio::fixa({});
        QCOMPARE(envio.resultado.desfecho, Desfecho::Concluido);
        // A send of the former client, recorded without a receipt; a receipt
        // of the same file at another moment is not its own.
        ambiente.executa(QStringLiteral(
            "insert into Historico values ('DADOS_31045678_01122026.zip', '01/12/2026 08:00:00', 114, 31045678,"
            " 'PERIO')"));
        ambiente.executa(QStringLiteral("insert into recibo_envio values ('DADOS_31045678_01122026.zip',"
                                        " '2026-12-01 08:00:01', 10, 'ab')"));

        const QList<EnvioRegistrado> envios = EnviosDoMes(instalacaoAtual(), 12, 2026, 0);
        QCOMPARE(envios.size(), 2);
        const EnvioRegistrado &ultimo = envios.at(0);
        QCOMPARE(ultimo.nomeArquivo, QStringLiteral("DADOS_31045678_07122026.zip"));
        QCOMPARE(ultimo.momento, QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)));
        QCOMPARE(ultimo.codigoEscritorio + ultimo.codigoEscola + ultimo.tipo, QStringLiteral("11431045678ANUAL"));
        QVERIFY(ultimo.recibo);
        QCOMPARE(ultimo.recibo->tamanho, qint64(envio.recebido.size()));
        QCOMPARE(ultimo.recibo->sha256,
                 QString::fromLatin1(QCryptographicHash::hash(envio.recebido, QCryptographicHash::Sha256).toHex()));
        QCOMPARE(envios.at(1).nomeArquivo, QStringLiteral("DADOS_31045678_01122026.zip"));
        QVERIFY(!envios.at(1).recibo);

        // The report's type filter: only the periodic send.
        const QList<EnvioRegistrado> periodicos = EnviosDoMes(instalacaoAtual(), 12, 2026, 1);
        QCOMPARE(periodicos.size(), 1);
        QCOMPARE(periodicos.at(0).tipo, QStringLiteral("PERIO"));
        QVERIFY(EnviosDoMes(instalacaoAtual(), 11, 2026, 0).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstReciboEnvio)
#include "tst_reciboEnvio.moc"
