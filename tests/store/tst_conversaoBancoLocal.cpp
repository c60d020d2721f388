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
#include "support/SistemaTeste.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QtEndian>

#include <optional>

namespace {

const QStringList kHistorico{
    QStringLiteral("DADOS_31045678_05112026.zip|2026-11-05 14:03:09|114|31045678"),
    QStringLiteral("DADOS_31045678_28112026.zip|2026-11-28 08:00:00|114|31045678"),
    QStringLiteral("DADOS_31000001_02102026.zip|2026-10-02 23:59:59|121|31000001"),
    QStringLiteral("DADOS_31099999_10112026.zip|2026-11-10 09:30:00|1733|31099999"),
};

constexpr qint64 kPagina = 4096;
// The page of Historico's definition in the former client's files, and where
// it keeps the table's row count.
constexpr qint64 kContagemHistorico = 26 * kPagina + 16;

// A damage done to a file: a page zeroed, the file cut, Historico's declared
// row count changed; or no room for the conversion's files.
struct Dano
{
    enum Tipo { ZeraPagina, Corta, Declara, SemEspaco } tipo;
    qint64 valor;
    bool operator==(const Dano &outro) const { return tipo == outro.tipo && valor == outro.valor; }
};

QByteArray danifica(QByteArray arquivo, const QList<Dano> &danos)
{
    for (const Dano &dano : danos) {
        switch (dano.tipo) {
        case Dano::ZeraPagina:
            arquivo.replace(dano.valor * kPagina, kPagina, QByteArray(kPagina, '\0'));
            break;
        case Dano::Corta:
            arquivo.truncate(dano.valor);
            break;
        case Dano::Declara:
            qToLittleEndian(static_cast<quint32>(dano.valor), arquivo.data() + kContagemHistorico);
            break;
        case Dano::SemEspaco:
            break;
        }
    }
    return arquivo;
}

// While it lives, no file of this process grows past a few pages (the
// system's file size limit), as on a full disk; the Jet reader writes only
// to a pipe, which the limit leaves alone. Windows has no such limit.
class SemEspaco
{
public:
    SemEspaco()
        : m_limitado(SistemaTeste::limitaTamanhoArquivos(2 * kPagina))
    {
    }
    ~SemEspaco() { SistemaTeste::liberaTamanhoArquivos(); }
    SemEspaco(const SemEspaco &) = delete;
    SemEspaco &operator=(const SemEspaco &) = delete;
    bool limitado() const { return m_limitado; }

private:
    bool m_limitado;
};

QStringList linhas(const AmbienteTeste &ambiente, const QString &sql)
{
    const QString tudo =
        ambiente.valor(QStringLiteral("select group_concat(l, char(10)) from (") + sql + QLatin1Char(')'));
    return tudo.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

Q_DECLARE_METATYPE(Dano)

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
        // A backup of an earlier conversion is never replaced, and a link
        // in a backup's name (to nothing) is never followed.
        grava(ambiente.bancoLocal() + QStringLiteral(".access"), "anterior");
        const QString alvo = ambiente.raiz() + QStringLiteral("/alvo");
        QVERIFY(QFile::link(alvo, ambiente.bancoLocal() + QStringLiteral(".access.1")));

        const ResultadoConversao conversao =
            converteBancoLocal(ambiente.bancoLocal(), escritoriosRegionais(instalacaoAtual()));
        QCOMPARE(conversao.fim, ResultadoConversao::Fim::Convertido);
        QCOMPARE(conversao.copia, ambiente.bancoLocal() + QStringLiteral(".access.2"));
        QVERIFY(!QFileInfo::exists(alvo));
        QCOMPARE(le(conversao.copia), le(AmbienteTeste::dado(fixture)));
        QCOMPARE(le(ambiente.bancoLocal() + QStringLiteral(".access")), QByteArray("anterior"));
        QCOMPARE(formatoDoBanco(ambiente.bancoLocal()), FormatoBanco::SQLite);
        // Nothing half-made left: the database, the two backups and the link
        // (Windows' own kind of link, a shortcut, is a file).
        const QStringList feitos = QDir(ambiente.raiz()).entryList(QDir::Files | QDir::System);
        QVERIFY2(feitos.size() == 4, qPrintable(feitos.join(QLatin1Char(' '))));
        QStringList lidas;
        for (const LeituraTabela &tabela : conversao.tabelas) {
            QVERIFY(!tabela.incompleta());
            lidas.append(QStringLiteral("%1=%2/%3").arg(tabela.nome).arg(tabela.lidas).arg(tabela.declaradas));
        }
        QCOMPARE(lidas, (QStringList{QStringLiteral("configuracao=1/1"), QStringLiteral("Historico=4/4"),
                                     QStringLiteral("ACE_ESTRUT_ORGN=38/38")}));

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
        // The receipts' table comes with the conversion, empty.
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from recibo_envio")), QStringLiteral("0"));
        // Once converted there is nothing more to do.
        QCOMPARE(converteBancoLocal(ambiente.bancoLocal(), escritoriosRegionais(instalacaoAtual())).fim,
                 ResultadoConversao::Fim::NadaAConverter);
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

    // A damaged file is never converted with rows missing: each table is
    // held to the row count the file declares for it, and a page that cannot
    // be read is a loss too. The original stays as it was, to be tried again.
    void arquivoDanificadoOuQueNaoPodeSerGravadoFicaIntocado_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QList<Dano>>("danos");
        QTest::addColumn<QString>("motivo");
        const QString novo = QStringLiteral("legado_uploadcliente_novo.mdb");
        const QString antigo = QStringLiteral("legado_uploadcliente_antigo.mdb");
        const QString historicoVazio = QStringLiteral("a tabela Historico declara 4 linhas; 0 puderam ser lidas");
        QTest::newRow("página de dados zerada") << novo << QList<Dano>{{Dano::ZeraPagina, 34}} << historicoVazio;
        for (const int paginas : {29, 32, 35})
            QTest::addRow("cortado em %d páginas", paginas)
                << novo << QList<Dano>{{Dano::Corta, paginas * kPagina}} << historicoVazio;
        QTest::newRow("cortado no meio de uma página")
            << antigo << QList<Dano>{{Dano::Corta, 34 * kPagina + 2000}} << QStringLiteral("a tabela Historico");
        QTest::newRow("declara mais linhas do que tem")
            << novo << QList<Dano>{{Dano::Declara, 5}}
            << QStringLiteral("a tabela Historico declara 5 linhas; 4 puderam ser lidas");
        QTest::newRow("catálogo danificado")
            << novo << QList<Dano>{{Dano::ZeraPagina, 2}} << QStringLiteral("o catálogo de tabelas está danificado");
        // A school database is no local database: converting it would hide
        // the office's settings and sends behind an empty one.
        QTest::newRow("sem as tabelas do programa")
            << QStringLiteral("escola_uma.mdb") << QList<Dano>{} << QStringLiteral("o arquivo não tem a tabela");
        QTest::newRow("conversão que não pode ser gravada")
            << novo << QList<Dano>{{Dano::SemEspaco, 0}} << QStringLiteral("");
    }
    void arquivoDanificadoOuQueNaoPodeSerGravadoFicaIntocado()
    {
        QFETCH(QString, fixture);
        QFETCH(QList<Dano>, danos);
        QFETCH(QString, motivo);
        AmbienteTeste ambiente(false);
        const QByteArray original = danifica(le(AmbienteTeste::dado(fixture)), danos);
        grava(ambiente.bancoLocal(), original);

        ResultadoConversao conversao;
        {
            const std::optional<SemEspaco> semEspaco =
                danos.contains(Dano{Dano::SemEspaco, 0}) ? std::make_optional<SemEspaco>() : std::nullopt;
            if (semEspaco && !semEspaco->limitado())
                QSKIP("this system sets no file size limit");
            conversao = converteBancoLocal(ambiente.bancoLocal(), escritoriosRegionais(instalacaoAtual()));
        }
        QCOMPARE(conversao.fim, ResultadoConversao::Fim::Recusado);
        QVERIFY2(conversao.erro->descricao().contains(motivo), qPrintable(conversao.erro->descricao()));
        QVERIFY(conversao.erro->descricao().contains(ambiente.raiz()));
        QCOMPARE(le(ambiente.bancoLocal()), original);
        QCOMPARE(QDir(ambiente.raiz()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("UploadCliente.mdb")});
    }

    void contagemDesatualizadaConverteTudo()
    {
        AmbienteTeste ambiente(false);
        grava(ambiente.bancoLocal(),
              danifica(le(AmbienteTeste::dado(QStringLiteral("legado_uploadcliente_novo.mdb"))), {{Dano::Declara, 3}}));
        const ResultadoConversao conversao =
            converteBancoLocal(ambiente.bancoLocal(), escritoriosRegionais(instalacaoAtual()));
        QCOMPARE(conversao.fim, ResultadoConversao::Fim::Convertido);
        QVERIFY(!conversao.comPerdas);
        QCOMPARE(conversao.tabelas.at(1).declaradas, 3);
        QCOMPARE(conversao.tabelas.at(1).lidas, 4);
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from Historico")), QStringLiteral("4"));
    }

    // Only on request: what could be read is converted, the backup kept, and
    // a table of the program's that could not be read starts as the
    // template has it.
    void perdaAceitaConverteOQueFoiLido_data()
    {
        QTest::addColumn<int>("pagina");
        QTest::addColumn<QString>("contagens"); // configuracao, Historico, ACE_ESTRUT_ORGN
        QTest::newRow("linhas perdidas") << 34 << QStringLiteral("1|0|38");
        QTest::newRow("catálogo perdido") << 2 << QStringLiteral("0|0|38");
    }
    void perdaAceitaConverteOQueFoiLido()
    {
        QFETCH(int, pagina);
        QFETCH(QString, contagens);
        AmbienteTeste ambiente(false);
        const QByteArray danificado = danifica(le(AmbienteTeste::dado(QStringLiteral("legado_uploadcliente_novo.mdb"))),
                                               {{Dano::ZeraPagina, pagina}});
        grava(ambiente.bancoLocal(), danificado);
        const ResultadoConversao conversao =
            converteBancoLocal(ambiente.bancoLocal(), escritoriosRegionais(instalacaoAtual()), Perdas::Aceitar);
        QCOMPARE(conversao.fim, ResultadoConversao::Fim::Convertido);
        QVERIFY(conversao.comPerdas);
        QCOMPARE(le(conversao.copia), danificado);
        QCOMPARE(ambiente.valor(QStringLiteral("select (select count(*) from configuracao)||'|'||(select count(*) "
                                               "from Historico)||'|'||(select count(*) from ACE_ESTRUT_ORGN)")),
                 contagens);
        // The program's own statements work on it.
        ambiente.executa(QStringLiteral("insert into Historico (Nome_arquivo,data_envio,codigo_ace_estrut_orgn,"
                                        "codigo_escola,tipo_transmissao) values('x.zip','01/12/2026 07:00:00',114,"
                                        "31045678,'PERIO')"));
    }

    void restosDeConversoesInterrompidasSaoRemovidos()
    {
        AmbienteTeste ambiente;
        const QStringList restos{QStringLiteral(".convertendo"), QStringLiteral(".convertendo-0123abcd"),
                                 QStringLiteral(".access.copiando"), QStringLiteral(".access.2.copiando")};
        for (const QString &resto : restos)
            grava(ambiente.bancoLocal() + resto, "resto");
        grava(ambiente.bancoLocal() + QStringLiteral(".access"), "cópia");
        removeRestosDeConversao(ambiente.bancoLocal());
        QCOMPARE(QDir(ambiente.raiz()).entryList({QStringLiteral("UploadCliente.mdb*")}, QDir::Files),
                 (QStringList{QStringLiteral("UploadCliente.mdb"), QStringLiteral("UploadCliente.mdb.access")}));
    }
};

QTEST_GUILESS_MAIN(TstConversaoBancoLocal)
#include "tst_conversaoBancoLocal.moc"
