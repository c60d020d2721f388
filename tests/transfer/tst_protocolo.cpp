// The wire messages in both directions, byte for byte, and the progress lines.
#include "transfer/MensagensCliente.h"
#include "transfer/MensagensServidor.h"
#include "transfer/ProgressoEnvio.h"
#include "transfer/Windows1252.h"

#include <QLocale>
#include <QTest>

using Codigo = MensagemServidor::Codigo;

namespace {

QList<MensagemServidor> todas(LeitorMensagens &leitor)
{
    QList<MensagemServidor> lista;
    while (const auto mensagem = leitor.proxima())
        lista.append(*mensagem);
    return lista;
}

MensagensCliente::Identidade identidade()
{
    return {QStringLiteral("DADOS_31045678_07122026.zip"), QStringLiteral("114"),
            QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"),    QStringLiteral("31045678"),
            QStringLiteral("ESCOLA *JOÃO* E MARIA"),       QStringLiteral("PERIO")};
}

} // namespace

class TstProtocolo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }

    void textoViajaComoUmBytePorLetra()
    {
        QCOMPARE(Windows1252::codifica(QStringLiteral("JOÃO")), QByteArray("JO\xC3O"));
        QCOMPARE(Windows1252::codifica(QStringLiteral("ÁÉÍÓÚçãõ")), QByteArray("\xC1\xC9\xCD\xD3\xDA\xE7\xE3\xF5"));
        QCOMPARE(Windows1252::codifica(QStringLiteral("€–“”")), QByteArray("\x80\x96\x93\x94"));
        // Outside the page: one "?" per character, also beyond the BMP.
        QCOMPARE(Windows1252::codifica(QStringLiteral("a\u0416b\U0001F600c")), QByteArray("a?b?c"));
        const QByteArray todos = [] {
            QByteArray b;
            for (int i = 0; i < 256; ++i)
                b.append(char(i));
            return b;
        }();
        QCOMPARE(Windows1252::codifica(Windows1252::decodifica(todos)), todos);
        QCOMPARE(Windows1252::decodifica("JO\xC3O \x80"), QStringLiteral("JOÃO €"));
    }

    void mensagensDoClienteExatas()
    {
        QCOMPARE(MensagensCliente::pedidoPacote(), QByteArray("Request#:PACKET"));
        QCOMPARE(MensagensCliente::pedidoPacote().size(), 15);
        // Accents as single bytes, "*" inside a name unescaped, the office
        // code in ten digits, nothing between a code and its name.
        QCOMPARE(MensagensCliente::cabecalhoArquivo(identidade()),
                 QByteArray("File~~~#:name~#:DADOS_31045678_07122026.zip*0000000114SSRE DE S\xC3O JO\xC3O DEL-REI"
                            "*31045678ESCOLA *JO\xC3O* E MARIA*PERIO"));
        auto anual = identidade();
        anual.tipo = MensagensCliente::tipoTransmissao(false);
        QVERIFY(MensagensCliente::cabecalhoArquivo(anual).endsWith("MARIA*ANUAL"));
        QCOMPARE(MensagensCliente::tipoTransmissao(true), QStringLiteral("PERIO"));

        QCOMPARE(MensagensCliente::cabecalhoTamanho(0), QByteArray("File~~~#:size~#:0"));
        QCOMPARE(MensagensCliente::cabecalhoTamanho(5000), QByteArray("File~~~#:size~#:5000"));
        QCOMPARE(MensagensCliente::cabecalhoTamanho(3145728), QByteArray("File~~~#:size~#:3145728"));
    }

    void codigoDoEscritorioEmDezDigitos_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("enviado");
        QTest::newRow("114") << QStringLiteral("114") << QStringLiteral("0000000114");
        QTest::newRow("blanks") << QStringLiteral(" 121 ") << QStringLiteral("0000000121");
        QTest::newRow("leading zeros") << QStringLiteral("00114") << QStringLiteral("0000000114");
        QTest::newRow("ten digits") << QStringLiteral("1234567890") << QStringLiteral("1234567890");
        QTest::newRow("eleven digits") << QStringLiteral("12345678901") << QStringLiteral("12345678901");
        QTest::newRow("negative") << QStringLiteral("-5") << QStringLiteral("-0000000005");
        QTest::newRow("zero") << QStringLiteral("0") << QStringLiteral("0000000000");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("text") << QStringLiteral("SRE") << QStringLiteral("SRE");
    }
    void codigoDoEscritorioEmDezDigitos()
    {
        QFETCH(QString, codigo);
        QFETCH(QString, enviado);
        QCOMPARE(MensagensCliente::codigoEscritorioDezDigitos(codigo), enviado);
    }

    void mensagensDoServidorSemDistinguirCaixa()
    {
        LeitorMensagens leitor;
        leitor.acrescenta("received packet 2048");
        auto m = leitor.proxima();
        QVERIFY(m);
        QCOMPARE(m->codigo, Codigo::Pacote);
        QCOMPARE(m->argumento, 2048);
        QCOMPARE(leitor.pendentes(), 0);

        // Any character at positions 9 and 16.
        leitor.acrescenta("RECEIVED_PEND~#|0");
        m = leitor.proxima();
        QCOMPARE(m->codigo, Codigo::Pendencia);
        QCOMPARE(m->argumento, 0);

        for (const auto &[texto, codigo] :
             {std::pair{"Received DENIED", Codigo::Negado}, std::pair{"Received:Accept", Codigo::Aceito},
              std::pair{"ReceivedXKICKH#", Codigo::Expulsao}, std::pair{"Received hello!", Codigo::Desconhecido}}) {
            leitor.acrescenta(texto);
            m = leitor.proxima();
            QVERIFY2(m, texto);
            QCOMPARE(m->codigo, codigo);
            QCOMPARE(m->argumento, std::nullopt);
        }
        QCOMPARE(leitor.proxima(), std::nullopt);
    }

    void chegadasJuntasEPartidas()
    {
        LeitorMensagens leitor;
        // Two messages in one arrival.
        leitor.acrescenta("Received acceptReceived PACKET 4096");
        auto lista = todas(leitor);
        QCOMPARE(lista.size(), 2);
        QCOMPARE(lista[0].codigo, Codigo::Aceito);
        QCOMPARE(lista[0].texto, QByteArray("Received accept"));
        QCOMPARE(lista[1].argumento, 4096);

        // One message in pieces: nothing until its fixed part is complete.
        for (const char *pedaco : {"Rec", "eived PE", "ND~#", " "}) {
            leitor.acrescenta(pedaco);
            QCOMPARE(leitor.proxima(), std::nullopt);
        }
        leitor.acrescenta("1");
        auto m = leitor.proxima();
        QVERIFY(m);
        QCOMPARE(m->codigo, Codigo::Pendencia);
        QCOMPARE(m->argumento, 1);

        // A message followed by the first letters of the next one.
        leitor.acrescenta("Received PACKET 2048Rece");
        m = leitor.proxima();
        QCOMPARE(m->argumento, 2048);
        QCOMPARE(leitor.proxima(), std::nullopt);
        leitor.acrescenta("ived kickH#");
        m = leitor.proxima();
        QCOMPARE(m->codigo, Codigo::Expulsao);

        // What does not begin with "Received" is dropped.
        leitor.acrescenta("garbage\r\nReceived accept\r\n");
        lista = todas(leitor);
        QCOMPARE(lista.size(), 1);
        QCOMPARE(lista[0].codigo, Codigo::Aceito);
        leitor.acrescenta("nothing of interest");
        QCOMPARE(leitor.proxima(), std::nullopt);
        QCOMPARE(leitor.pendentes(), 0);
    }

    void argumentoInvalidoFicaVazio_data()
    {
        QTest::addColumn<QByteArray>("mensagem");
        QTest::addColumn<std::optional<int>>("argumento");
        QTest::newRow("2047") << QByteArray("Received PACKET 2047") << std::optional<int>(2047);
        QTest::newRow("blanks and line end") << QByteArray("Received PACKET  8192\r\n") << std::optional<int>(8192);
        QTest::newRow("sign") << QByteArray("Received PACKET +2048") << std::optional<int>(2048);
        QTest::newRow("negative") << QByteArray("Received PACKET -1") << std::optional<int>(-1);
        QTest::newRow("16-bit max") << QByteArray("Received PACKET 32767") << std::optional<int>(32767);
        QTest::newRow("above 16 bits") << QByteArray("Received PACKET 32768") << std::optional<int>();
        QTest::newRow("huge") << QByteArray("Received PACKET 99999999999999999999") << std::optional<int>();
        QTest::newRow("letters") << QByteArray("Received PACKET 2k") << std::optional<int>();
        QTest::newRow("decimal") << QByteArray("Received PACKET 2048.5") << std::optional<int>();
        QTest::newRow("only blanks") << QByteArray("Received PACKET  \t") << std::optional<int>();
        QTest::newRow("pend 255") << QByteArray("Received PEND~# 255") << std::optional<int>(255);
        QTest::newRow("pend 256") << QByteArray("Received PEND~# 256") << std::optional<int>();
        QTest::newRow("pend negative") << QByteArray("Received PEND~# -1") << std::optional<int>();
    }
    void argumentoInvalidoFicaVazio()
    {
        QFETCH(QByteArray, mensagem);
        QFETCH(std::optional<int>, argumento);
        LeitorMensagens leitor;
        leitor.acrescenta(mensagem);
        const auto m = leitor.proxima();
        QVERIFY(m);
        QCOMPARE(m->argumento, argumento);
    }

    void linhasDeProgresso()
    {
        using ProgressoEnvio::passo;
        // 5000 bytes: 2048, 2048, then 904 with the final line.
        auto p = passo(2048, 5000);
        QCOMPARE(p.bytesAEnviar, 2048);
        QCOMPARE(p.valor, 41);
        QCOMPARE(p.texto, QStringLiteral("Status: 41% Completo, 2,88 KB Faltando..."));
        p = passo(4096, 5000);
        QCOMPARE(p.valor, 82);
        QCOMPARE(p.texto, QStringLiteral("Status: 82% Completo, 904 bytes Faltando..."));
        p = passo(6144, 5000);
        QCOMPARE(p.bytesAEnviar, 904);
        QCOMPARE(p.valor, 100);
        QCOMPARE(p.texto, QStringLiteral("Status: 100% Completo. 4,88 KB Enviado."));

        // 4096 bytes: the second piece shows 100% with nothing left, then
        // a step that sends nothing shows the final line.
        p = passo(4096, 4096);
        QCOMPARE(p.bytesAEnviar, 2048);
        QCOMPARE(p.texto, QStringLiteral("Status: 100% Completo, 0 bytes Faltando..."));
        p = passo(6144, 4096);
        QCOMPARE(p.bytesAEnviar, 0);
        QCOMPARE(p.texto, QStringLiteral("Status: 100% Completo. 4,00 KB Enviado."));

        p = passo(2048, 0);
        QCOMPARE(p.bytesAEnviar, 0);
        QCOMPARE(p.texto, QStringLiteral("Status: 100% Completo. 0 bytes Enviado."));

        // Halves go to the even neighbour: 0.5% -> 0, 1.5% -> 2.
        QCOMPARE(ProgressoEnvio::percentual(2048, 409600), 0);
        QCOMPARE(ProgressoEnvio::percentual(6144, 409600), 2);
        QCOMPARE(ProgressoEnvio::percentual(2048, 3000000), 0);
    }
};

QTEST_GUILESS_MAIN(TstProtocolo)
#include "tst_protocolo.moc"
