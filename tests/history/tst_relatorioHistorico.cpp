// The history report text, built from rows in a fresh local database.
#include "common/Erro.h"
#include "history/GeraHistorico.h"
#include "history/RelatorioHistorico.h"
#include "store/Banco.h"
#include "store/Historico.h"

#include "support/AmbienteTeste.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kRegua = QString(91, QLatin1Char('-'));
const QString kColunas =
    QStringLiteral("DATA DE ENVIO             SUBSECRETARIA    ESCOLA      NOME DO ARQUIVO                TIPO");

QString cabecalhoEsperado(const QString &mesAno)
{
    return QStringLiteral("HISTÓRICO DE ENVIO DE ARQUIVOS DO TAVO") + kCrLf + mesAno + kCrLf + kRegua + kCrLf + kColunas
           + kCrLf + kRegua + kCrLf;
}

// A send recorded as the transfer records it: day-first date, codes unquoted.
void insere(const AmbienteTeste &ambiente, const QString &arquivo, const QString &data, int escritorio,
            const QString &escola, const QString &tipo)
{
    ambiente.executa(QStringLiteral("insert into Historico (Nome_arquivo,data_envio,codigo_ace_estrut_orgn,"
                                    "codigo_escola,tipo_transmissao) values('%1','%2',%3,%4,'%5')")
                         .arg(arquivo, data, QString::number(escritorio), escola, tipo));
}

// The row lines of a report, without the heading and the closing lines.
QStringList linhasDeDados(const QString &relatorio)
{
    QStringList linhas = relatorio.split(kCrLf).mid(5);
    // A report with rows ends with the rule and the total; one without ends
    // with the CRLF of the last heading line.
    const bool comTotal = !linhas.isEmpty() && linhas.constLast().startsWith(QStringLiteral("TOTAL: "));
    linhas.resize(std::max<qsizetype>(0, linhas.size() - (comTotal ? 2 : 1)));
    return linhas;
}

} // namespace

class TstRelatorioHistorico : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        QCOMPARE(kColunas.size(), 90);
    }

    void init()
    {
        m_ambiente = std::make_unique<AmbienteTeste>();
        m_ambiente->executa(QStringLiteral("update ACE_ESTRUT_ORGN set descricao='SSRE DE LAVRAS' where codigo=114"));
        m_ambiente->executa(
            QStringLiteral("update ACE_ESTRUT_ORGN set descricao='SSRE DE SÃO JOÃO DEL REI' where codigo=121"));
    }
    void cleanup()
    {
        QVERIFY(!SessaoBanco::algumaAberta());
        m_ambiente.reset();
    }

    void comandoMontadoComoEscrito()
    {
        const QString base = QStringLiteral(
            "SELECT ACE_ESTRUT_ORGN.codigo, ACE_ESTRUT_ORGN.descricao, HISTORICO.data_Envio, HISTORICO.codigo_escola, "
            "HISTORICO.nome_arquivo, Format(HISTORICO.data_Envio,'dd/mm/yyyy') AS DATA_ABREV, "
            "HISTORICO.TIPO_TRANSMISSAO FROM ACE_ESTRUT_ORGN INNER JOIN HISTORICO ON ACE_ESTRUT_ORGN.codigo = "
            "HISTORICO.codigo_ace_estrut_orgn WHERE (((Format(HISTORICO.data_Envio,'mm/yyyy'))='");
        QCOMPARE(ComandoHistorico(3, 2026, 0), base + QStringLiteral("03/2026')) ORDER BY data_envio DESC"));
        QCOMPARE(ComandoHistorico(12, 2026, 1),
                 base + QStringLiteral("12/2026')) AND TIPO_TRANSMISSAO='PERIO' ORDER BY data_envio DESC"));
        QCOMPARE(ComandoHistorico(1, 999, 2),
                 base + QStringLiteral("01/999')) AND TIPO_TRANSMISSAO='ANUAL' ORDER BY data_envio DESC"));
        QCOMPARE(ComandoHistorico(7, 2026, -1), base + QStringLiteral("07/2026')) ORDER BY data_envio DESC"));
        QCOMPARE(ComandoHistorico(7, 2026, 5), base + QStringLiteral("07/2026')) ORDER BY data_envio DESC"));
    }

    void mesSemEnviosDaSoOCabecalho()
    {
        insere(*m_ambiente, QStringLiteral("DADOS_31045678_07022026.zip"), QStringLiteral("07/02/2026 09:05:03"), 114,
               QStringLiteral("31045678"), QStringLiteral("PERIO"));
        QCOMPARE(GeraHistorico(instalacaoAtual(), 3, 2026, 0), cabecalhoEsperado(QStringLiteral("MARÇO/2026")));
    }

    void umEnvioByteAByte()
    {
        insere(*m_ambiente, QStringLiteral("DADOS_31045678_07122026.zip"), QStringLiteral("07/12/2026 09:05:03"), 114,
               QStringLiteral("31045678"), QStringLiteral("PERIO"));
        const QString linha = QStringLiteral(
            "07/12/2026 09:05:03              LAVRAS    31045678    DADOS_31045678_07122026.zip    PERIO");
        QCOMPARE(linha.size(), 91);
        const QString esperado = cabecalhoEsperado(QStringLiteral("DEZEMBRO/2026")) + linha + kCrLf + kRegua + kCrLf
                                 + QStringLiteral("TOTAL: 0001 ARQUIVO");
        QCOMPARE(GeraHistorico(instalacaoAtual(), 12, 2026, 0), esperado);
    }

    void dozeEnviosDoMaisNovoAoMaisAntigo()
    {
        // Inserted out of order, across days whose day-first text would sort
        // differently from their time order.
        const int dias[12] = {9, 10, 1, 31, 2, 20, 11, 3, 30, 12, 21, 19};
        for (int dia : dias)
            insere(*m_ambiente,
                   QStringLiteral("DADOS_31045678_%1").arg(dia, 2, 10, QLatin1Char('0')) + QStringLiteral("032026.zip"),
                   QStringLiteral("%1/03/2026 %2:00:00")
                       .arg(dia, 2, 10, QLatin1Char('0'))
                       .arg(dia % 24, 2, 10, QLatin1Char('0')),
                   121, QStringLiteral("31045678"), dia % 2 ? QStringLiteral("PERIO") : QStringLiteral("ANUAL"));
        const QString relatorio = GeraHistorico(instalacaoAtual(), 3, 2026, 0);
        QVERIFY(relatorio.endsWith(kRegua + kCrLf + QStringLiteral("TOTAL: 0012 ARQUIVOS")));
        const QStringList linhas = linhasDeDados(relatorio);
        QCOMPARE(linhas.size(), 12);
        QStringList datas;
        for (const QString &linha : linhas)
            datas.append(linha.left(10));
        QCOMPARE(datas.first(), QStringLiteral("31/03/2026"));
        QCOMPARE(datas.at(1), QStringLiteral("30/03/2026"));
        QCOMPARE(datas.last(), QStringLiteral("01/03/2026"));
        for (int i = 1; i < datas.size(); ++i)
            QVERIFY2(datas.at(i - 1).left(2).toInt() > datas.at(i).left(2).toInt(), qPrintable(datas.join(u' ')));
        QCOMPARE(linhas.first(), QStringLiteral("31/03/2026 07:00:00    SÃO JOÃO DEL REI    31045678    "
                                                "DADOS_31045678_31032026.zip    PERIO"));
    }

    void mesmoDiaOrdenadoPelaHora()
    {
        insere(*m_ambiente, QStringLiteral("a.zip"), QStringLiteral("05/03/2026 09:59:59"), 114, QStringLiteral("1"),
               QStringLiteral("PERIO"));
        insere(*m_ambiente, QStringLiteral("b.zip"), QStringLiteral("05/03/2026 10:00:00"), 114, QStringLiteral("1"),
               QStringLiteral("PERIO"));
        insere(*m_ambiente, QStringLiteral("c.zip"), QStringLiteral("05/03/2026 23:00:01"), 114, QStringLiteral("1"),
               QStringLiteral("PERIO"));
        const QStringList linhas = linhasDeDados(GeraHistorico(instalacaoAtual(), 3, 2026, 0));
        QCOMPARE(linhas.size(), 3);
        QVERIFY(linhas.at(0).contains(QStringLiteral("c.zip")));
        QVERIFY(linhas.at(1).contains(QStringLiteral("b.zip")));
        QVERIFY(linhas.at(2).contains(QStringLiteral("a.zip")));
    }

    void dataGuardadaEmOutraFormaSaiNoPadrao()
    {
        // A date the store kept as typed (not two-digit day first) still
        // prints day first with two digits.
        insere(*m_ambiente, QStringLiteral("x.zip"), QStringLiteral("7/3/2026 9:05:03"), 114, QStringLiteral("7"),
               QStringLiteral("PERIO"));
        const QStringList linhas = linhasDeDados(GeraHistorico(instalacaoAtual(), 3, 2026, 0));
        QCOMPARE(linhas, QStringList{QStringLiteral("07/03/2026 09:05:03              LAVRAS    7    x.zip    PERIO")});
    }

    void filtroPorTipo_data()
    {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QStringList>("arquivos");
        const QStringList todos = {QStringLiteral("anual2.zip"), QStringLiteral("perio2.zip"),
                                   QStringLiteral("anual1.zip"), QStringLiteral("perio1.zip")};
        QTest::newRow("0 ambos") << 0 << todos;
        QTest::newRow("1 periódica") << 1 << QStringList{QStringLiteral("perio2.zip"), QStringLiteral("perio1.zip")};
        QTest::newRow("2 anual") << 2 << QStringList{QStringLiteral("anual2.zip"), QStringLiteral("anual1.zip")};
        QTest::newRow("-1 lista vazia") << -1 << todos;
        QTest::newRow("3 fora da lista") << 3 << todos;
    }
    void filtroPorTipo()
    {
        QFETCH(int, tipo);
        QFETCH(QStringList, arquivos);
        insere(*m_ambiente, QStringLiteral("perio1.zip"), QStringLiteral("01/06/2026 08:00:00"), 114,
               QStringLiteral("31045678"), QStringLiteral("PERIO"));
        insere(*m_ambiente, QStringLiteral("anual1.zip"), QStringLiteral("02/06/2026 08:00:00"), 114,
               QStringLiteral("31045678"), QStringLiteral("ANUAL"));
        insere(*m_ambiente, QStringLiteral("perio2.zip"), QStringLiteral("03/06/2026 08:00:00"), 114,
               QStringLiteral("31045678"), QStringLiteral("  PERIO "));
        insere(*m_ambiente, QStringLiteral("anual2.zip"), QStringLiteral("04/06/2026 08:00:00"), 114,
               QStringLiteral("31045678"), QStringLiteral("ANUAL"));
        QStringList listados;
        for (const QString &linha :
             linhasDeDados(GeraHistorico(instalacaoAtual(), 6, 2026, static_cast<std::int16_t>(tipo)))) {
            listados.append(linha.section(QStringLiteral("    "), -2, -2));
            QVERIFY2(linha.endsWith(QStringLiteral("    PERIO")) || linha.endsWith(QStringLiteral("    ANUAL")),
                     qPrintable(linha));
        }
        // The row stored with blanks around its type matches no single-type
        // filter (the comparison is exact) but is listed trimmed under both.
        if (tipo == 1)
            arquivos.removeAll(QStringLiteral("perio2.zip"));
        QCOMPARE(listados, arquivos);
    }

    void outrosMesesAnosEEscritorioInexistenteFicamDeFora()
    {
        insere(*m_ambiente, QStringLiteral("certo.zip"), QStringLiteral("15/04/2026 10:00:00"), 114,
               QStringLiteral("1"), QStringLiteral("PERIO"));
        insere(*m_ambiente, QStringLiteral("outro_mes.zip"), QStringLiteral("15/05/2026 10:00:00"), 114,
               QStringLiteral("1"), QStringLiteral("PERIO"));
        insere(*m_ambiente, QStringLiteral("outro_ano.zip"), QStringLiteral("15/04/2025 10:00:00"), 114,
               QStringLiteral("1"), QStringLiteral("PERIO"));
        insere(*m_ambiente, QStringLiteral("ultimo_dia_antes.zip"), QStringLiteral("31/03/2026 23:59:59"), 114,
               QStringLiteral("1"), QStringLiteral("PERIO"));
        insere(*m_ambiente, QStringLiteral("sem_escritorio.zip"), QStringLiteral("16/04/2026 10:00:00"), 999,
               QStringLiteral("1"), QStringLiteral("PERIO"));
        const QString relatorio = GeraHistorico(instalacaoAtual(), 4, 2026, 0);
        const QStringList linhas = linhasDeDados(relatorio);
        QCOMPARE(linhas.size(), 1);
        QVERIFY(linhas.first().contains(QStringLiteral("certo.zip")));
        QVERIFY(relatorio.endsWith(QStringLiteral("TOTAL: 0001 ARQUIVO")));
    }

    void nomeDoEscritorio_data()
    {
        QTest::addColumn<QString>("descricao");
        QTest::addColumn<QString>("campo");
        QTest::newRow("forma habitual") << QStringLiteral("SSRE DE LAVRAS") << QStringLiteral("              LAVRAS");
        QTest::newRow("brancos nas pontas")
            << QStringLiteral("   SSRE DE UBÁ  ") << QStringLiteral("                 UBÁ");
        QTest::newRow("sem o prefixo") << QStringLiteral(" DIRETORIA CENTRAL ")
                                       << QStringLiteral("   DIRETORIA CENTRAL");
        QTest::newRow("minúsculas ficam") << QStringLiteral("ssre de Lavras") << QStringLiteral("      ssre de Lavras");
        QTest::newRow("todas as ocorrências")
            << QStringLiteral("SSRE DE AXSSRE DEB") << QStringLiteral("                 AXB");
        QTest::newRow("mais longo que o campo")
            << QStringLiteral("SSRE DE SANTA RITA DO SAPUCAÍ NORTE") << QStringLiteral(" SANTA RITA DO SAPUCAÍ NORTE");
        QTest::newRow("vazio") << QString() << QString(20, QLatin1Char(' '));
    }
    void nomeDoEscritorio()
    {
        QFETCH(QString, descricao);
        QFETCH(QString, campo);
        QCOMPARE(RelatorioHistorico::escritorio(descricao), campo);
        m_ambiente->executa(
            QStringLiteral("update ACE_ESTRUT_ORGN set descricao='%1' where codigo=126").arg(descricao));
        insere(*m_ambiente, QStringLiteral("DADOS_31045678_07122026.zip"), QStringLiteral("07/12/2026 09:05:03"), 126,
               QStringLiteral("31045678"), QStringLiteral("ANUAL"));
        const QStringList linhas = linhasDeDados(GeraHistorico(instalacaoAtual(), 12, 2026, 0));
        QCOMPARE(linhas, QStringList{QStringLiteral("07/12/2026 09:05:03") + campo
                                     + QStringLiteral("    31045678    DADOS_31045678_07122026.zip    ANUAL")});
    }

    void anoDeTresAlgarismosNaoEncontraNada()
    {
        insere(*m_ambiente, QStringLiteral("antigo.zip"), QStringLiteral("10/08/0999 10:00:00"), 114,
               QStringLiteral("1"), QStringLiteral("PERIO"));
        QCOMPARE(GeraHistorico(instalacaoAtual(), 8, 999, 0), cabecalhoEsperado(QStringLiteral("AGOSTO/999")));
    }

    void nomesDosMesesDasConfiguracoesRegionais()
    {
        QCOMPARE(RelatorioHistorico::nomeMes(1), QStringLiteral("JANEIRO"));
        QCOMPARE(RelatorioHistorico::nomeMes(3), QStringLiteral("MARÇO"));
        QCOMPARE(RelatorioHistorico::nomeMes(12), QStringLiteral("DEZEMBRO"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString ingles = RelatorioHistorico::nomeMes(3);
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        QCOMPARE(ingles, QStringLiteral("MARCH"));
    }

    void mesZeroFalhaDepoisDaConsultaEFechaOBanco()
    {
        // The failure is logged with the statement that ran.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^History report not made: error 5: .* - statement: ")
                                                + QRegularExpression::escape(ComandoHistorico(0, 2026, 0)) + u'$'));
        try {
            GeraHistorico(instalacaoAtual(), 0, 2026, 0);
            QFAIL("month 0 built a report");
        } catch (const ErroTavo &erro) {
            QCOMPARE(erro.numero(), Erros::ArgumentoInvalido);
        }
        QVERIFY(!SessaoBanco::algumaAberta());
        // The query comes first: an old table is upgraded even for month 0.
        m_ambiente->executa(QStringLiteral("ALTER TABLE Historico DROP COLUMN tipo_transmissao"));
        QVERIFY(!GeraHistoricoOuAtualiza(instalacaoAtual(), 0, 2026, 0).has_value());
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from pragma_table_info('Historico') "
                                                  "where name = 'tipo_transmissao'")),
                 QStringLiteral("1"));
    }

    // The window's refresh only upgrades an old table; the report of the
    // console makes it again at once.
    void tabelaAntigaSobeDeVersaoEMarcaAnual_data()
    {
        QTest::addColumn<bool>("refazAposAtualizar");
        QTest::newRow("a janela: só a subida de versão") << false;
        QTest::newRow("o console: subida e relatório") << true;
    }
    void tabelaAntigaSobeDeVersaoEMarcaAnual()
    {
        QFETCH(bool, refazAposAtualizar);
        insere(*m_ambiente, QStringLiteral("velho1.zip"), QStringLiteral("01/09/2026 10:00:00"), 114,
               QStringLiteral("1"), QStringLiteral("X"));
        insere(*m_ambiente, QStringLiteral("velho2.zip"), QStringLiteral("02/09/2026 10:00:00"), 121,
               QStringLiteral("2"), QStringLiteral("X"));
        m_ambiente->executa(QStringLiteral("ALTER TABLE Historico DROP COLUMN tipo_transmissao"));
        if (refazAposAtualizar) {
            QVERIFY(GeraHistorico(instalacaoAtual(), 9, 2026, 0).endsWith(QStringLiteral("TOTAL: 0002 ARQUIVOS")));
        } else {
            QVERIFY(!GeraHistoricoOuAtualiza(instalacaoAtual(), 9, 2026, 0).has_value());
        }
        QVERIFY(!SessaoBanco::algumaAberta());
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from Historico where tipo_transmissao='ANUAL'")),
                 QStringLiteral("2"));
        QCOMPARE(m_ambiente->valor(QStringLiteral("select typeof(tipo_transmissao) from Historico")),
                 QStringLiteral("text"));
        const QString relatorio = GeraHistoricoOuAtualiza(instalacaoAtual(), 9, 2026, 2).value_or(QString());
        QVERIFY(relatorio.endsWith(QStringLiteral("TOTAL: 0002 ARQUIVOS")));
        QCOMPARE(linhasDeDados(GeraHistorico(instalacaoAtual(), 9, 2026, 1)).size(), 0);
        // Upgrading again fails (the column is there) and changes nothing.
        insere(*m_ambiente, QStringLiteral("novo.zip"), QStringLiteral("03/09/2026 10:00:00"), 114, QStringLiteral("3"),
               QStringLiteral("PERIO"));
        {
            SessaoBanco sessao(m_ambiente->bancoLocal());
            QVERIFY_THROWS_EXCEPTION(ErroTavo, AtualizaTabelaHistorico(sessao));
        }
        QVERIFY(!SessaoBanco::algumaAberta());
        QCOMPARE(m_ambiente->valor(QStringLiteral("select group_concat(tipo_transmissao, '|') from "
                                                  "(select tipo_transmissao from Historico order by Nome_arquivo)")),
                 QStringLiteral("PERIO|ANUAL|ANUAL"));
    }

    void maisDe32767EnviosContadosComTodosOsAlgarismos()
    {
        // Beyond a 16-bit counter: every row is listed and counted.
        m_ambiente->executa(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 32999) "
            "INSERT INTO Historico (Nome_arquivo,data_envio,codigo_ace_estrut_orgn,codigo_escola,tipo_transmissao) "
            "SELECT printf('DADOS_%08d_01032026.zip', 31000000 + i), "
            "printf('%02d/03/2026 %02d:%02d:%02d', 1 + i / 1200, (i / 50) % 24, i % 50, 0), "
            "114, 31000000 + i, 'PERIO' FROM n"));
        QElapsedTimer relogio;
        relogio.start();
        const QString relatorio = GeraHistorico(instalacaoAtual(), 3, 2026, 0);
        qInfo("report of 33000 rows built in %lld ms", relogio.elapsed());
        QVERIFY(relatorio.endsWith(kRegua + kCrLf + QStringLiteral("TOTAL: 33000 ARQUIVOS")));
        const QStringList linhas = linhasDeDados(relatorio);
        QCOMPARE(linhas.size(), 33000);
        QCOMPARE(linhas.first(), QStringLiteral("28/03/2026 11:49:00              LAVRAS    31032999    "
                                                "DADOS_31032999_01032026.zip    PERIO"));
        QCOMPARE(linhas.last().left(19), QStringLiteral("01/03/2026 00:00:00"));
    }

    // How fast a large month turns into text is the benchmarks' figure; here,
    // that 30,000 rows come out whole, each of its width.
    void montadorParaMesesGrandes()
    {
        QElapsedTimer relogio;
        relogio.start();
        RelatorioHistorico::Montador montador(3, 2026);
        for (int i = 0; i < 30000; ++i)
            montador.acrescenta(QStringLiteral("07/03/2026 09:05:03"), QStringLiteral("SSRE DE LAVRAS"),
                                QString::number(31000000 + i), QStringLiteral("DADOS_31045678_07032026.zip"),
                                QStringLiteral("PERIO"));
        const QString texto = montador.termina();
        const qint64 ms = relogio.elapsed();
        qInfo("30000 lines in %lld ms", ms);
        QCOMPARE(texto.size(), cabecalhoEsperado(QStringLiteral("MARÇO/2026")).size() + 30000 * 93 + 93
                                   + QStringLiteral("TOTAL: 30000 ARQUIVOS").size());
    }

private:
    std::unique_ptr<AmbienteTeste> m_ambiente;
};

QTEST_GUILESS_MAIN(TstRelatorioHistorico)
#include "tst_relatorioHistorico.moc"
