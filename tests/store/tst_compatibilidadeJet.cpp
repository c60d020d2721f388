// Format() as the statements use it: every date form the store may hold,
// written with every pattern the program asks for, and what is left alone.
// The reading of dates has a fast path for the forms the store writes; these
// cases hold it to the same results as the general reading.
#include "store/CompatibilidadeJet.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

class TstCompatibilidadeJet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QSqlDatabase banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("formato"));
        banco.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(banco.open());
        CompatibilidadeJet::preparaConexao(banco);
    }

    void cleanupTestCase() { QSqlDatabase::removeDatabase(QStringLiteral("formato")); }

    void formataTexto_data()
    {
        QTest::addColumn<QString>("valor");
        QTest::addColumn<QString>("padrao");
        QTest::addColumn<QString>("esperado");

        const QString completo = QStringLiteral("dd/mm/yyyy hh:mm:ss");
        // The forms the store holds: ISO text, with a blank or a T.
        QTest::newRow("iso") << "2026-03-05 10:04:09" << completo << "05/03/2026 10:04:09";
        QTest::newRow("iso T") << "2026-03-05T10:04:09" << QStringLiteral("mm/yyyy") << "03/2026";
        QTest::newRow("iso mes") << "1999-12-31 23:59:59" << QStringLiteral("mm/yyyy") << "12/1999";
        QTest::newRow("iso dia") << "2026-03-05 00:00:00" << QStringLiteral("dd/mm/yyyy") << "05/03/2026";
        QTest::newRow("iso sem segundos") << "2026-03-05 10:04" << completo << "05/03/2026 10:04:00";
        QTest::newRow("iso so data") << "2026-03-05" << completo << "05/03/2026 00:00:00";
        QTest::newRow("iso com brancos") << "  2026-03-05 10:04:09 " << completo << "05/03/2026 10:04:09";
        QTest::newRow("bissexto") << "2024-02-29 12:00:00" << QStringLiteral("dd/mm/yy") << "29/02/24";
        // Day first, as typed by people and older rows.
        QTest::newRow("dia primeiro") << "05/03/2026 10:04:09" << QStringLiteral("yyyy-mm-dd") << "2026-03-05";
        QTest::newRow("dia primeiro curto") << "5/3/2026 7:4:9" << completo << "05/03/2026 07:04:09";
        QTest::newRow("dia primeiro so data") << "05/03/2026" << QStringLiteral("d/m/yy") << "5/3/26";
        QTest::newRow("dia curto so data") << "5/3/2026" << QStringLiteral("dd/mm/yyyy") << "05/03/2026";
        // Minutes: "m" after an hour, or "n".
        QTest::newRow("minutos") << "2026-03-05 10:04:09" << QStringLiteral("hh:mm") << "10:04";
        QTest::newRow("n") << "2026-03-05 10:04:09" << QStringLiteral("h:n:s") << "10:4:9";
        QTest::newRow("separadores copiados") << "2026-03-05 10:04:09" << QStringLiteral("dd.mm_yyyy") << "05.03_2026";
        // Not a date: the value comes back as it is.
        QTest::newRow("dia inexistente") << "2026-02-30 10:00:00" << completo << "2026-02-30 10:00:00";
        QTest::newRow("hora inexistente") << "2026-03-05 25:00:00" << completo << "2026-03-05 25:00:00";
        QTest::newRow("minuto inexistente") << "2026-03-05 10:60:00" << completo << "2026-03-05 10:60:00";
        QTest::newRow("mes 13 dia primeiro") << "05/13/2026 10:00:00" << completo << "05/13/2026 10:00:00";
        QTest::newRow("letras") << "abc" << completo << "abc";
        QTest::newRow("digitos trocados") << "2026-0a-05 10:04:09" << completo << "2026-0a-05 10:04:09";
        QTest::newRow("vazio") << "" << completo << "";
        // Numbers.
        QTest::newRow("mes") << "7" << QStringLiteral("00") << "07";
        QTest::newRow("escritorio") << "114" << QStringLiteral("0000000000") << "0000000114";
        QTest::newRow("mais digitos") << "123456" << QStringLiteral("0000") << "123456";
        QTest::newRow("negativo") << "-5" << QStringLiteral("0000") << "-0005";
        QTest::newRow("arredonda") << "2.5" << QStringLiteral("00") << "03";
        QTest::newRow("texto com padrao numerico") << "abc" << QStringLiteral("00") << "abc";
        QTest::newRow("numero em texto") << "0114" << QStringLiteral("0000000000") << "0000000114";
        // Patterns beyond plain ASCII, or long ones, take the general way.
        QTest::newRow("padrao acentuado") << "2026-03-05 10:04:09" << QStringLiteral("dd·mm·yyyy") << "05·03·2026";
        QTest::newRow("padrao longo") << "2026-03-05 10:04:09" << QStringLiteral("dd/mm/yyyy ").repeated(8)
                                      << QStringLiteral("05/03/2026 ").repeated(8);
        QTest::newRow("padrao vazio") << "2026-03-05 10:04:09" << QString() << "";
        QTest::newRow("ano") << "2026-03-05" << QStringLiteral("yyyy yy y") << "2026 26 y";
        QTest::newRow("letras maiusculas")
            << "2026-03-05 10:04:09" << QStringLiteral("DD/MM/YYYY HH:NN:SS") << "05/03/2026 10:04:09";
    }

    void formataTexto()
    {
        QFETCH(QString, valor);
        QFETCH(QString, padrao);
        QFETCH(QString, esperado);
        QCOMPARE(CompatibilidadeJet::formata(valor, padrao), esperado);

        // The same through the statement's Format(), which reads the
        // engine's text directly when it can.
        QSqlQuery consulta(QSqlDatabase::database(QStringLiteral("formato")));
        QVERIFY(consulta.prepare(QStringLiteral("select Format(?, ?)")));
        consulta.addBindValue(valor);
        consulta.addBindValue(padrao);
        QVERIFY(consulta.exec());
        QVERIFY(consulta.next());
        QCOMPARE(consulta.value(0).toString(), esperado);
    }

    void formataOutrosTipos()
    {
        const QDateTime momento(QDate(2026, 3, 5), QTime(1, 2, 3));
        QCOMPARE(CompatibilidadeJet::formata(momento, QStringLiteral("dd/mm/yyyy hh:nn:ss")),
                 QStringLiteral("05/03/2026 01:02:03"));
        QCOMPARE(CompatibilidadeJet::formata(QVariant(), QStringLiteral("dd/mm/yyyy")), QString());
        QCOMPARE(CompatibilidadeJet::formata(7, QStringLiteral("00")), QStringLiteral("07"));
    }
};

QTEST_GUILESS_MAIN(TstCompatibilidadeJet)
#include "tst_compatibilidadeJet.moc"
