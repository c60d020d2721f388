// The status texts of a ZIP job and the progress line made from them.
#include "package/StatusZip.h"

#include <QTest>

class TstStatusZip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pegaCampoContaDoUmEDevolveVazioAlemDoFim()
    {
        const QString status = QStringLiteral("|12||c:\\x\\mirv_dat.mdb|||45|");
        QCOMPARE(PegaCampo(status, QStringLiteral("|"), 1), QString());
        QCOMPARE(PegaCampo(status, QStringLiteral("|"), 2), QStringLiteral("12"));
        QCOMPARE(PegaCampo(status, QStringLiteral("|"), 4), QStringLiteral("c:\\x\\mirv_dat.mdb"));
        QCOMPARE(PegaCampo(status, QStringLiteral("|"), 7), QStringLiteral("45"));
        QCOMPARE(PegaCampo(status, QStringLiteral("|"), 8), QString());
        QCOMPARE(PegaCampo(status, QStringLiteral("|"), 9), QString());
        QCOMPARE(PegaCampo(status, QStringLiteral("|"), 40), QString());
        QCOMPARE(PegaCampo(QStringLiteral("sem separador"), QStringLiteral("|"), 1), QStringLiteral("sem separador"));
        QCOMPARE(PegaCampo(QStringLiteral("a::b::c"), QStringLiteral("::"), 3), QStringLiteral("c"));
    }

    void numerosLidosComoOsCamposSempreForam_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("valor");
        QTest::newRow("vazio") << QString() << 0;
        QTest::newRow("branco e digito") << QStringLiteral(" 7") << 7;
        QTest::newRow("para no que nao continua") << QStringLiteral("12abc") << 12;
        QTest::newRow("sem numero") << QStringLiteral("abc") << 0;
        QTest::newRow("meio para o par abaixo") << QStringLiteral("2.5") << 2;
        QTest::newRow("meio para o par acima") << QStringLiteral("3.5") << 4;
        QTest::newRow("virgula nao e decimal") << QStringLiteral("45,9") << 45;
        QTest::newRow("negativo") << QStringLiteral("-3") << -3;
        QTest::newRow("brancos no meio") << QStringLiteral("1 00") << 100;
    }

    void numerosLidosComoOsCamposSempreForam()
    {
        QFETCH(QString, texto);
        QFETCH(int, valor);
        QCOMPARE(int(LeNumeroInicial(texto)), valor);
    }

    void descricaoCobreATabelaInteira()
    {
        const QList<QPair<int, QString>> tabela = {
            {10, QStringLiteral("Procurando")},   {11, QStringLiteral("Comentário")},
            {12, QStringLiteral("Zipando")},      {13, QStringLiteral("Zipado")},
            {14, QStringLiteral("Deszipando")},   {15, QStringLiteral("Deszipado")},
            {16, QStringLiteral("Testando")},     {17, QStringLiteral("Testado")},
            {18, QStringLiteral("Deletando")},    {19, QStringLiteral("Deletado")},
            {20, QStringLiteral("Troca Disco")},  {21, QStringLiteral("Visualizar")},
            {22, QStringLiteral("Erro")},         {23, QStringLiteral("Aviso")},
            {24, QStringLiteral("Sobrescrever")}, {25, QStringLiteral("Copiando")},
            {26, QStringLiteral("Copiado")},      {255, QStringLiteral("Abortando")},
        };
        for (const auto &[codigo, nome] : tabela)
            QCOMPARE(DescricaoAcao(std::int16_t(codigo)), nome);
        for (const int codigo : {0, 9, 27, 254, 256, -1})
            QCOMPARE(DescricaoAcao(std::int16_t(codigo)), QStringLiteral("-=Desconhecido=-"));
    }

    void linhaDeProgresso_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("linha");
        QTest::newRow("exemplo") << QStringLiteral("|12||mirv_dat.mdb|||45|")
                                 << QStringLiteral("Zipando mirv_dat.mdb -> 45%");
        QTest::newRow("sem separador") << QStringLiteral("qualquer") << QStringLiteral("-=Desconhecido=-  -> 0%");
        QTest::newRow("so quatro campos")
            << QStringLiteral("|12||mirv_dat.mdb") << QStringLiteral("Zipando mirv_dat.mdb -> 0%");
        QTest::newRow("codigo desconhecido")
            << QStringLiteral("|99||x|||5|") << QStringLiteral("-=Desconhecido=- x -> 5%");
        QTest::newRow("abortando") << QStringLiteral("|255||x|||100|") << QStringLiteral("Abortando x -> 100%");
        QTest::newRow("percentual com branco")
            << QStringLiteral("|14||x||| 7|") << QStringLiteral("Deszipando x -> 7%");
    }

    void linhaDeProgresso()
    {
        QFETCH(QString, status);
        QFETCH(QString, linha);
        QCOMPARE(LinhaProgresso(status), linha);
    }

    void statusMontadoVoltaPelosMesmosCampos()
    {
        // An item name with "%1" or blanks passes through untouched.
        const QString item = QStringLiteral("dados %1 de São João.mdb");
        const QString status = MontaStatus({AcaoZip::Deszipando, item, 37});
        QCOMPARE(int(CodigoAcao(status)), 14);
        QCOMPARE(ArquivoAcao(status), item);
        QCOMPARE(int(PercentualAcao(status)), 37);
    }

    // The console shows the line of the event itself; the window's label
    // reads the same line back from the status text its relay wrote.
    void linhaDoEventoEhADoStatus_data()
    {
        QTest::addColumn<int>("acao");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("percentual");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("linha");
        QTest::newRow("zipando") << int(AcaoZip::Zipando) << QStringLiteral("mirv_dat.mdb") << 0
                                 << QStringLiteral("|12||mirv_dat.mdb|||0|")
                                 << QStringLiteral("Zipando mirv_dat.mdb -> 0%");
        QTest::newRow("zipado") << int(AcaoZip::Zipado) << QStringLiteral("mirv_dat.mdb") << 100
                                << QStringLiteral("|13||mirv_dat.mdb|||100|")
                                << QStringLiteral("Zipado mirv_dat.mdb -> 100%");
        QTest::newRow("deszipando") << int(AcaoZip::Deszipando) << QStringLiteral("mirv_dat.mdb") << 45
                                    << QStringLiteral("|14||mirv_dat.mdb|||45|")
                                    << QStringLiteral("Deszipando mirv_dat.mdb -> 45%");
        QTest::newRow("deszipado") << int(AcaoZip::Deszipado) << QStringLiteral("leia-me.txt") << 100
                                   << QStringLiteral("|15||leia-me.txt|||100|")
                                   << QStringLiteral("Deszipado leia-me.txt -> 100%");
        QTest::newRow("testando") << int(AcaoZip::Testando) << QStringLiteral("DADOS_31045678_01032026.zip") << 7
                                  << QStringLiteral("|16||DADOS_31045678_01032026.zip|||7|")
                                  << QStringLiteral("Testando DADOS_31045678_01032026.zip -> 7%");
        QTest::newRow("testado com %1 e acento")
            << int(AcaoZip::Testado) << QStringLiteral("São João %1.zip") << 100
            << QStringLiteral("|17||São João %1.zip|||100|") << QStringLiteral("Testado São João %1.zip -> 100%");
        QTest::newRow("sem item") << int(AcaoZip::Testando) << QString() << 3 << QStringLiteral("|16|||||3|")
                                  << QStringLiteral("Testando  -> 3%");
    }

    void linhaDoEventoEhADoStatus()
    {
        QFETCH(int, acao);
        QFETCH(QString, item);
        QFETCH(int, percentual);
        QFETCH(QString, status);
        QFETCH(QString, linha);
        const EventoZip evento{static_cast<AcaoZip>(acao), item, percentual};
        QCOMPARE(MontaStatus(evento), status);
        QCOMPARE(LinhaEvento(evento), linha);
        QCOMPARE(LinhaProgresso(MontaStatus(evento)), linha);
    }
};

QTEST_GUILESS_MAIN(TstStatusZip)
#include "tst_statusZip.moc"
