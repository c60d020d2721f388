// The window's send uses the transfer's options of the site configuration:
// its bounds and its proxy, as the console's does.
#include "CenarioTransmissao.h"

#include "common/Instalacao.h"
#include "shell/AcessoBancada.h"
#include "transfer/Espera.h"

#include "support/Auxiliares.h"

#include <QElapsedTimer>
#include <QRadioButton>
#include <QTest>

using namespace std::chrono_literals;

class TstOpcoesNaJanela : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The program's bounds are long: a window that waited by them would
    // fail the time check.
    void initTestCase() { CenarioEnvio::prazosIniciais = {20000ms, 20000ms, 20000ms}; }

    void janelaUsaPrazoEProxyDoSitio_data()
    {
        QTest::addColumn<QByteArray>("servidor");
        QTest::addColumn<bool>("mudo");
        QTest::addColumn<QString>("caixa");
        QTest::newRow("tempo_resposta") << QByteArray("tempo_resposta=1\n") << true
                                        << "A transferência falhou. A conexão foi perdida.";
        // A SOCKS5 proxy where nothing listens: the server, listening, is
        // never reached directly.
        QTest::newRow("proxy") << QByteArray("proxy=socks5://127.0.0.1:%1\n") << false
                               << "Não foi possível conectar ao servidor.\r\nTente novamente.";
    }
    void janelaUsaPrazoEProxyDoSitio()
    {
        QFETCH(QByteArray, servidor);
        QFETCH(bool, mudo);
        QFETCH(QString, caixa);
        CenarioTransmissao cenario;
        int conexoes = 0;
        ConfiguracaoServidor configuracao;
        configuracao.mudo = mudo;
        auto &servidorUpload = cenario.iniciaServidor(configuracao, cenario.porta);
        connect(&servidorUpload, &ServidorUpload::registro, this,
                [&conexoes](const QString &linha) { conexoes += linha.endsWith(QLatin1String(": connected")); });
        grava(instalacaoAtual().arquivoSistema(),
              "[servidor]\n" + servidor.replace("%1", QByteArray::number(portasLivres(1))));
        // The window of a start that finds the file.
        cenario.instalacao = instalacaoAtual();
        cenario.instalacao.prazos = CenarioEnvio::prazosIniciais;
        cenario.janela = std::make_unique<frmPrincipal>(cenario.instalacao);
        cenario.janela->Form_Load();
        frmPrincipal::AcessoBancada(*cenario.janela)
            .IdentificaEscola(DadosEscola{QStringLiteral("114"), QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"),
                                          QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"), QStringLiteral("31045678")});
        cenario.janela->findChild<QRadioButton *>(QStringLiteral("optTipoTrasmissao_0"))->setChecked(true);
        cenario.colocaPacote(5000);

        QElapsedTimer relogio;
        relogio.start();
        cenario.transmite(1);
        QVERIFY2(relogio.elapsed() < 10000, qPrintable(QString::number(relogio.elapsed())));
        QCOMPARE(cenario.caixas.textos().last(), caixa);
        QCOMPARE(conexoes, mudo ? 1 : 0);
        QCOMPARE(cenario.registros(), 0);
    }
};

QTEST_MAIN(TstOpcoesNaJanela)
#include "tst_opcoesNaJanela.moc"
