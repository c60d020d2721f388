// A local database of the former client (an Access file) turned into the
// program's own: every table and row, exact values, a backup of the
// original, and nothing touched when the conversion fails.
#include "common/Erro.h"
#include "store/Banco.h"
#include "store/BancoJet.h"
#include "store/ConversaoBancoLocal.h"
#include "store/LeitorJet.h"

#include "support/AmbienteTeste.h"
#include "support/Auxiliares.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

const QStringList kHistorico{
    QStringLiteral("DADOS_31045678_05112026.zip|2026-11-05 14:03:09|114|31045678"),
    QStringLiteral("DADOS_31045678_28112026.zip|2026-11-28 08:00:00|114|31045678"),
    QStringLiteral("DADOS_31000001_02102026.zip|2026-10-02 23:59:59|121|31000001"),
    QStringLiteral("DADOS_31099999_10112026.zip|2026-11-10 09:30:00|1733|31099999"),
};

QStringList linhas(const AmbienteTeste &ambiente, const QString &sql)
{
    const QString tudo =
        ambiente.valor(QStringLiteral("select group_concat(l, char(10)) from (") + sql + QLatin1Char(')'));
    return tudo.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TstConversaoBancoLocal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textosDeDataHoraEMoeda()
    {
        // 46331 days after 1899-12-30 is 2026-11-05.
        QCOMPARE(LeitorJet::textoDataHora(46331.0 + (14 * 3600 + 3 * 60 + 9) / 86400.0), "2026-11-05 14:03:09");
        // A second stored a hair short of its value is still that second.
        QCOMPARE(LeitorJet::textoDataHora(46326.0 + 86399 / 86400.0 - 1e-9), "2026-10-31 23:59:59");
        // Half a second before midnight rounds into the next day, never to 24:00:00.
        QCOMPARE(LeitorJet::textoDataHora(46326.0 + 86399.6 / 86400.0), "2026-11-01 00:00:00");
        // Before 1899-12-30 the days are negative and the fraction still counts forward.
        QCOMPARE(LeitorJet::textoDataHora(-1.25), "1899-12-29 06:00:00");
        QCOMPARE(LeitorJet::textoDataHora(0.0), "1899-12-30 00:00:00");
        QCOMPARE(LeitorJet::textoDataHora(std::numeric_limits<double>::quiet_NaN()), "");
        QCOMPARE(LeitorJet::textoMoeda(123400), "12.3400");
        QCOMPARE(LeitorJet::textoMoeda(-5), "-0.0005");
        QCOMPARE(LeitorJet::textoMoeda(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808");
    }

    void bancoDoClienteAnteriorViraSqliteComTudo_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QStringList>("tipos");
        QTest::newRow("sem tipo de transmissão") << QStringLiteral("legado_uploadcliente_antigo.mdb") << QStringList();
        QTest::newRow("com tipo de transmissão") << QStringLiteral("legado_uploadcliente_novo.mdb")
                                                 << QStringList{QStringLiteral("PERIO"), QStringLiteral("ANUAL"),
                                                                QStringLiteral("PERIO"), QStringLiteral("PERIO")};
    }
    void bancoDoClienteAnteriorViraSqliteComTudo()
    {
        QFETCH(QString, fixture);
        QFETCH(QStringList, tipos);
        AmbienteTeste ambiente(false);
        ambiente.copiaDado(fixture, ambiente.bancoLocal());
        // A backup of an earlier conversion is never replaced.
        grava(ambiente.bancoLocal() + QStringLiteral(".access"), "anterior");

        const QString copia = converteBancoLocal(ambiente.bancoLocal());
        QCOMPARE(copia, ambiente.bancoLocal() + QStringLiteral(".access.1"));
        QCOMPARE(le(copia), le(AmbienteTeste::dado(fixture)));
        QCOMPARE(le(ambiente.bancoLocal() + QStringLiteral(".access")), QByteArray("anterior"));
        QCOMPARE(formatoDoBanco(ambiente.bancoLocal()), FormatoBanco::SQLite);
        QCOMPARE(QDir(ambiente.raiz()).entryList(QDir::Files).size(), 3); // nothing half-made left

        QCOMPARE(ambiente.valor(
                     QStringLiteral("select ip_servidor||'|'||typeof(qtde_portas)||qtde_portas||'|'||porta_inicial "
                                    "from configuracao")),
                 QStringLiteral("127.0.0.40|integer3|5000"));
        QCOMPARE(
            linhas(ambiente, QStringLiteral("select Nome_arquivo||'|'||data_envio||'|'||codigo_ace_estrut_orgn||'|'||"
                                            "codigo_escola as l from Historico order by rowid")),
            kHistorico);
        const bool temTipo = !tipos.isEmpty();
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from pragma_table_info('Historico') "
                                               "where name = 'tipo_transmissao'")),
                 temTipo ? QStringLiteral("1") : QStringLiteral("0"));
        if (temTipo)
            QCOMPARE(linhas(ambiente, QStringLiteral("select tipo_transmissao as l from Historico order by rowid")),
                     tipos);
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*)||'|'||max(case codigo when 121 then descricao end) "
                                               "from ACE_ESTRUT_ORGN")),
                 QStringLiteral("38|SSRE DE SÃO JOSÉ DAS PEDRAS"));

        // The converted database sorts and stores dates as the program's own does.
        ambiente.executa(
            QStringLiteral("insert into Historico (Nome_arquivo, data_envio) values ('novo', '01/12/2026 07:00:00')"));
        QCOMPARE(
            linhas(ambiente, QStringLiteral("select data_envio as l from Historico order by data_envio desc limit 2")),
            (QStringList{QStringLiteral("2026-12-01 07:00:00"), QStringLiteral("2026-11-28 08:00:00")}));
        // Once converted there is nothing more to do.
        QCOMPARE(converteBancoLocal(ambiente.bancoLocal()), QString());
    }

    void tabelasCopiadasComoEstaoETextoContinuaTexto()
    {
        // The writer the conversion uses, on a file with other tables and
        // a school code kept as text.
        const QString escola = AmbienteTeste::dado(QStringLiteral("escola_uma.mdb"));
        const QStringList tabelas = LeitorJet::tabelas(escola);
        QSqlDatabase banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("copia"));
        banco.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(banco.open());
        const QList<TabelaCopiada> copiadas =
            copiaTabelasJet(LeitorJet::exporta(escola, tabelas), tabelas.size(), banco, escola);
        QStringList resumo;
        for (const TabelaCopiada &tabela : copiadas)
            resumo.append(tabela.nome + QLatin1Char('=') + QString::number(tabela.linhas));
        resumo.sort();
        QCOMPARE(resumo, (QStringList{QStringLiteral("Aluno=2000"), QStringLiteral("Escola_local=1"),
                                      QStringLiteral("ace_estrut_orgn=2")}));
        QSqlQuery consulta(banco);
        QVERIFY(consulta.exec(QStringLiteral(
                    "select typeof(codigo_mec)||'|'||codigo_mec||'|'||typeof(codigo_ace_estrut_orgn)"
                    "||'|'||(select min(nascimento)||'|'||max(nascimento) from Aluno) from Escola_local"))
                && consulta.next());
        QCOMPARE(consulta.value(0).toString(),
                 QStringLiteral("text|31045678|integer|2005-01-02 00:00:00|2015-12-30 00:00:00"));
        consulta = QSqlQuery();
        banco.close();
        banco = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("copia"));
    }

    void falhaDeixaOOriginalIntocado_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<int>("paginas");    // kept of the file; 0 keeps it whole
        QTest::addColumn<bool>("bloqueada"); // a folder stands where the new file goes
        const QString legado = QStringLiteral("legado_uploadcliente_novo.mdb");
        QTest::newRow("arquivo danificado") << legado << 3 << false;
        QTest::newRow("conversão que não pode ser gravada") << legado << 0 << true;
        // A school database is no local database: converting it would hide
        // the office's settings and sends behind an empty one.
        QTest::newRow("sem as tabelas do programa") << QStringLiteral("escola_uma.mdb") << 0 << false;
    }
    void falhaDeixaOOriginalIntocado()
    {
        QFETCH(QString, fixture);
        QFETCH(int, paginas);
        QFETCH(bool, bloqueada);
        AmbienteTeste ambiente(false);
        QByteArray original = le(AmbienteTeste::dado(fixture));
        if (paginas > 0)
            original.truncate(paginas * 4096); // the header stays: the file still looks like Jet
        grava(ambiente.bancoLocal(), original);
        if (bloqueada)
            QVERIFY(QDir().mkpath(ambiente.bancoLocal() + QStringLiteral(".convertendo/x")));

        QVERIFY(numeroDoErro([&] { converteBancoLocal(ambiente.bancoLocal()); }) != 0);
        QCOMPARE(le(ambiente.bancoLocal()), original);
        QCOMPARE(QDir(ambiente.raiz()).entryList(QDir::Files), QStringList{QStringLiteral("UploadCliente.mdb")});
    }
};

QTEST_GUILESS_MAIN(TstConversaoBancoLocal)
#include "tst_conversaoBancoLocal.moc"
