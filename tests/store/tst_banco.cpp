// The local store against a real SQLite file: what the statements of the
// program expect of the engine, the settings statements, and the office names.
#include "common/Erro.h"
#include "store/AtualizaSRE.h"
#include "store/Banco.h"
#include "store/CompatibilidadeJet.h"
#include "store/Configuracao.h"
#include "store/EscritoriosRegionais.h"
#include "store/Historico.h"
#include "store/Provisionamento.h"

#include "support/AmbienteTeste.h"
#include "support/Auxiliares.h"

#include <QFile>
#include <QTest>

#include <thread>

namespace {

// How a session is left.
enum class Saida { FechaNoFim, FimDoEscopo, ConsultaQueFalha, PassoJaFechou, PassoJaFechouEFechaNoFim };

} // namespace

Q_DECLARE_METATYPE(Saida)

class TstBanco : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_ambiente = std::make_unique<AmbienteTeste>(); }
    void cleanup()
    {
        // Every session of a test, whatever became of it, is closed.
        QVERIFY(!SessaoBanco::algumaAberta());
        m_ambiente.reset();
    }

    void modeloTrazTabelasEEscritorios()
    {
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from configuracao")), QStringLiteral("0"));
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from ACE_ESTRUT_ORGN")), QStringLiteral("38"));
        QCOMPARE(escritoriosRegionais(instalacaoAtual()).size(), 38);
        // The shipped towns are placeholders, and marked as such.
        for (const EscritorioRegional &escritorio : escritoriosRegionais(instalacaoAtual()))
            QVERIFY2(escritorio.provisorio, qPrintable(escritorio.cidade));
        // A second call never touches an existing database.
        m_ambiente->executa(QStringLiteral("insert into configuracao values ('1.2.3.4', 3, 9000)"));
        garanteBancoLocal(instalacaoAtual());
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from configuracao")), QStringLiteral("1"));
    }

    void selectComColunaAusenteDaONumeroDoMotor()
    {
        m_ambiente->executa(QStringLiteral("alter table Historico drop column tipo_transmissao"));
        SessaoBanco sessao(m_ambiente->bancoLocal());
        QCOMPARE(numeroDoErro([&] { sessao.Consulta.abre(QStringLiteral("select tipo_transmissao from historico")); }),
                 Erros::ColunaInexistente);
        // Another failure keeps a number of its own.
        const long outro =
            numeroDoErro([&] { sessao.Consulta.abre(QStringLiteral("select * from tabela_que_nao_existe")); });
        QVERIFY(outro != 0 && outro != Erros::ColunaInexistente);
        sessao.fecha();
    }

    void colunaStringGuardaTexto()
    {
        m_ambiente->executa(QStringLiteral("alter table Historico drop column tipo_transmissao"));
        SessaoBanco sessao(m_ambiente->bancoLocal());
        sessao.Conexao.execute(QStringLiteral("ALTER TABLE Historico ADD COLUMN tipo_transmissao string"));
        sessao.Conexao.execute(
            QStringLiteral("insert into Historico (Nome_arquivo,tipo_transmissao) values ('a','0123')"));
        sessao.fecha();
        QCOMPARE(m_ambiente->valor(QStringLiteral("select typeof(tipo_transmissao) || ':' || tipo_transmissao "
                                                  "from Historico")),
                 QStringLiteral("text:0123"));
    }

    void datasDiaPrimeiroOrdenamNoTempoELemComoData()
    {
        SessaoBanco sessao(m_ambiente->bancoLocal());
        const char *datas[] = {"31/01/2026 23:59:59", "01/02/2026 00:00:00", "15/12/2025 10:00:00",
                               "02/01/2026 09:05:03"};
        for (const char *data : datas)
            sessao.Conexao.execute(QStringLiteral("insert into Historico (Nome_arquivo,data_envio) values ('x','%1')")
                                       .arg(QLatin1String(data)));
        ConsultaBanco &consulta = sessao.Consulta;
        consulta.abre(QStringLiteral("select Format(data_envio,'dd/mm/yyyy hh:mm:ss') as d, data_envio "
                                     "from historico ORDER BY data_envio DESC"));
        QStringList ordem;
        for (; !consulta.fim(); consulta.proximo()) {
            ordem.append(consulta.texto(QStringLiteral("d")));
            QVERIFY(QDateTime::fromString(consulta.texto(QStringLiteral("data_envio")), Qt::ISODate).isValid());
        }
        sessao.fecha();
        QCOMPARE(ordem, (QStringList{QStringLiteral("01/02/2026 00:00:00"), QStringLiteral("31/01/2026 23:59:59"),
                                     QStringLiteral("02/01/2026 09:05:03"), QStringLiteral("15/12/2025 10:00:00")}));
    }

    void formatDoMotor()
    {
        SessaoBanco sessao(m_ambiente->bancoLocal());
        sessao.Conexao.execute(
            QStringLiteral("insert into Historico (Nome_arquivo,data_envio) values ('x','07/03/2026 09:05:03')"));
        ConsultaBanco &consulta = sessao.Consulta;
        consulta.abre(QStringLiteral("select Format(HISTORICO.data_Envio,'mm/yyyy') as m, "
                                     "format(data_envio,'dd/mm/yyyy') as d, Format(114,'0000000000') as n "
                                     "from HISTORICO WHERE (((Format(HISTORICO.data_Envio,'mm/yyyy'))='03/2026'))"));
        QVERIFY(!consulta.fim());
        QCOMPARE(consulta.texto(QStringLiteral("m")), QStringLiteral("03/2026"));
        QCOMPARE(consulta.texto(QStringLiteral("D")), QStringLiteral("07/03/2026"));
        QCOMPARE(consulta.texto(QStringLiteral("n")), QStringLiteral("0000000114"));
        sessao.fecha();
        QCOMPARE(CompatibilidadeJet::formata(QStringLiteral("2026-12-07 09:05:03"), QStringLiteral("hh:mm:ss")),
                 QStringLiteral("09:05:03"));
        QCOMPARE(CompatibilidadeJet::formata(7, QStringLiteral("00")), QStringLiteral("07"));
        QCOMPARE(CompatibilidadeJet::formata(123456, QStringLiteral("0000")), QStringLiteral("123456"));
    }

    // The engine loaded ahead on another thread, as the window does while a
    // session is open here, leaves nothing behind.
    void motorPreparadoEmOutraThreadNaoDeixaConexao()
    {
        SessaoBanco sessao(m_ambiente->bancoLocal());
        const QStringList antes = QSqlDatabase::connectionNames();
        bool preparado = false;
        std::thread outra([&preparado] { preparado = PreparaMotorBanco(); });
        outra.join();
        QVERIFY(preparado);
        QCOMPARE(QSqlDatabase::connectionNames(), antes);
        sessao.Consulta.abre(QStringLiteral("select count(*) as n from configuracao"));
        QCOMPARE(sessao.Consulta.texto(QStringLiteral("n")), QStringLiteral("0"));
    }

    void nomesSemDiferencaDeCaixa()
    {
        m_ambiente->executa(QStringLiteral("insert into configuracao values ('10.0.0.1', 2, 5000)"));
        SessaoBanco sessao(m_ambiente->bancoLocal());
        sessao.Consulta.abre(QStringLiteral("SELECT IP_SERVIDOR FROM CONFIGURACAO"));
        QCOMPARE(sessao.Consulta.texto(QStringLiteral("ip_servidor")), QStringLiteral("10.0.0.1"));
        sessao.fecha();
    }

    void arquivoQueNaoEBancoEhRecusado()
    {
        const QString falso = m_ambiente->raiz() + QStringLiteral("/falso.mdb");
        QFile arquivo(falso);
        QVERIFY(arquivo.open(QIODevice::WriteOnly));
        arquivo.write(QByteArray(4096, 'x'));
        arquivo.close();
        QVERIFY(numeroDoErro([&] { SessaoBanco sessao(falso); }) != 0);
        QVERIFY(numeroDoErro([&] { SessaoBanco sessao(m_ambiente->raiz() + QStringLiteral("/nao_existe.mdb")); }) != 0);
        QVERIFY(!SessaoBanco::algumaAberta());
        // A file that opens but fails the check is not left open either,
        // and another session open meanwhile goes on with its own database.
        QVERIFY(arquivo.open(QIODevice::WriteOnly));
        arquivo.write(QByteArrayLiteral("SQLite format 3\0") + QByteArray(4096, 'x'));
        arquivo.close();
        SessaoBanco aberta(m_ambiente->bancoLocal());
        const QStringList antes = QSqlDatabase::connectionNames();
        QVERIFY(numeroDoErro([&] { SessaoBanco sessao(falso); }) != 0);
        QCOMPARE(QSqlDatabase::connectionNames(), antes);
        aberta.Consulta.abre(QStringLiteral("select count(*) as n from configuracao"));
        QCOMPARE(aberta.Consulta.texto(QStringLiteral("n")), QStringLiteral("0"));
        aberta.fecha();
    }

    void sessaoFechaEmTodaSaida_data()
    {
        QTest::addColumn<Saida>("saida");
        QTest::addColumn<long>("erro");
        QTest::newRow("fecha no fim") << Saida::FechaNoFim << 0L;
        QTest::newRow("fim do escopo") << Saida::FimDoEscopo << 0L;
        QTest::newRow("consulta que falha") << Saida::ConsultaQueFalha << Erros::ColunaInexistente;
        // Already closed: leaving says nothing, an explicit close says so.
        QTest::newRow("passo já fechou") << Saida::PassoJaFechou << 0L;
        QTest::newRow("passo já fechou, fecha no fim") << Saida::PassoJaFechouEFechaNoFim << Erros::ObjetoFechado;
    }
    void sessaoFechaEmTodaSaida()
    {
        QFETCH(Saida, saida);
        QFETCH(long, erro);
        const long numero = numeroDoErro([&] {
            SessaoBanco sessao(m_ambiente->bancoLocal());
            QVERIFY(sessao.Conexao.aberta());
            QVERIFY(SessaoBanco::algumaAberta());
            if (saida == Saida::ConsultaQueFalha)
                sessao.Consulta.abre(QStringLiteral("select coluna_que_falta from configuracao"));
            if (saida == Saida::PassoJaFechou || saida == Saida::PassoJaFechouEFechaNoFim) {
                sessao.fecha();
                QVERIFY(!sessao.Conexao.aberta());
                QCOMPARE(numeroDoErro([&] { sessao.Consulta.abre(QStringLiteral("select 1")); }), Erros::ObjetoFechado);
            }
            if (saida == Saida::FechaNoFim || saida == Saida::PassoJaFechouEFechaNoFim)
                sessao.fecha();
        });
        QCOMPARE(numero, erro);
        QVERIFY(!SessaoBanco::algumaAberta());
    }

    void acoesQueFalhamDeixamOBancoFechado_data()
    {
        QTest::addColumn<QStringList>("preparo");
        QTest::addColumn<int>("acao");
        QTest::newRow("configuração com Null")
            << QStringList{QStringLiteral("insert into configuracao values (null, 3, 9000)")} << 0;
        QTest::newRow("sem a tabela configuracao") << QStringList{QStringLiteral("drop table configuracao")} << 0;
        QTest::newRow("sem a tabela dos escritórios") << QStringList{QStringLiteral("drop table ACE_ESTRUT_ORGN")} << 1;
        QTest::newRow("histórico antigo que não se marca")
            << QStringList{QStringLiteral("alter table Historico drop column tipo_transmissao"),
                           QStringLiteral("insert into Historico (Nome_arquivo) values ('a.zip')"),
                           QStringLiteral("create trigger bloqueia before update on Historico begin "
                                          "select raise(abort, 'bloqueada'); end")}
            << 2;
    }
    void acoesQueFalhamDeixamOBancoFechado()
    {
        QFETCH(QStringList, preparo);
        QFETCH(int, acao);
        for (const QString &comando : preparo)
            m_ambiente->executa(comando);
        const std::function<void()> acoes[] = {
            [] { leConfiguracao(instalacaoAtual()); },
            [] { AtualizaSRE(instalacaoAtual(), leEscritoriosRegionais(QStringLiteral("114\tUBÁ\n"))); },
            [this] {
                SessaoBanco sessao(m_ambiente->bancoLocal());
                ConsultaHistorico(sessao, QStringLiteral("select tipo_transmissao from historico"),
                                  AposAtualizar::Repete);
            }};
        QVERIFY(numeroDoErro(acoes[acao]) != 0);
        QVERIFY(!SessaoBanco::algumaAberta());
        // The upgrade of the history is whole or not at all: no column without the marking.
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from pragma_table_info('Historico') "
                                                  "where name = 'tipo_transmissao'")),
                 preparo.join(u' ').contains(QStringLiteral("drop column")) ? QStringLiteral("0")
                                                                            : QStringLiteral("1"));
    }

    void configuracaoLidaEAplicada()
    {
        QVERIFY(!leConfiguracao(instalacaoAtual()).has_value());
        m_ambiente->executa(QStringLiteral("insert into configuracao values (' 10.1.2.3 ', ' 3 ', ' 9000 ')"));
        m_ambiente->executa(QStringLiteral("insert into configuracao values ('9.9.9.9', 1, 1)"));
        const auto linha = leConfiguracao(instalacaoAtual());
        QVERIFY(linha.has_value());
        QCOMPARE(linha->ipServidor, QStringLiteral(" 10.1.2.3 "));
        const ConfiguracaoCliente configuracao = configuracaoDaLinha(*linha);
        QCOMPARE(configuracao.IpServidor, QStringLiteral("10.1.2.3"));
        QCOMPARE(configuracao.QtdePortas, 3);
        QCOMPARE(configuracao.PortaInicial, 9000);
        QVERIFY(!SessaoBanco::algumaAberta());
    }

    void enderecoCortadoNosPontos()
    {
        QCOMPARE(partesDoEndereco(QStringLiteral("10.1.2.3")),
                 (QStringList{QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
        QCOMPARE(partesDoEndereco(QStringLiteral("10.1.2")),
                 (QStringList{QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("2")}));
        QCOMPARE(partesDoEndereco(QStringLiteral("10..2")),
                 (QStringList{QStringLiteral("10"), QString(), QStringLiteral("2")}));
        QCOMPARE(partesDoEndereco(QStringLiteral("1.2.3.4.5.6")).size(), 4);
    }

    void comandosDaConfiguracao()
    {
        QCOMPARE(
            comandoSalvaConfiguracao(false, QStringLiteral("10.0.0.1"), QStringLiteral(" 3"), QStringLiteral("9000 ")),
            QStringLiteral(
                "insert into configuracao (ip_servidor,qtde_portas,porta_inicial)  values('10.0.0.1',3,9000)"));
        QCOMPARE(
            comandoSalvaConfiguracao(true, QStringLiteral("10.0.0.1"), QStringLiteral("32767"),
                                     QStringLiteral("65535")),
            QStringLiteral("update configuracao set ip_servidor = '10.0.0.1', qtde_portas=32767, porta_inicial=65535"));
    }

    void configuracaoQueNaoSeLeriaDeVoltaEhRecusada_data()
    {
        QTest::addColumn<QString>("endereco");
        QTest::addColumn<QString>("qtde");
        QTest::addColumn<QString>("porta");
        QTest::newRow("aspa no endereço")
            << QStringLiteral("1'0.0.0.1") << QStringLiteral("3") << QStringLiteral("9000");
        QTest::newRow("comando na quantidade")
            << QStringLiteral("1.0.0.1") << QStringLiteral("3 or 1=1") << QStringLiteral("9000");
        QTest::newRow("aspa na porta") << QStringLiteral("1.0.0.1") << QStringLiteral("3") << QStringLiteral("9000'");
        QTest::newRow("nenhuma porta") << QStringLiteral("1.0.0.1") << QStringLiteral("0") << QStringLiteral("9000");
        QTest::newRow("portas demais") << QStringLiteral("1.0.0.1") << QStringLiteral("32768")
                                       << QStringLiteral("9000");
        QTest::newRow("porta zero") << QStringLiteral("1.0.0.1") << QStringLiteral("3") << QStringLiteral("0");
        QTest::newRow("porta acima de 65535")
            << QStringLiteral("1.0.0.1") << QStringLiteral("3") << QStringLiteral("65536");
        QTest::newRow("quantidade fracionária")
            << QStringLiteral("1.0.0.1") << QStringLiteral("2.5") << QStringLiteral("9000");
    }
    void configuracaoQueNaoSeLeriaDeVoltaEhRecusada()
    {
        QFETCH(QString, endereco);
        QFETCH(QString, qtde);
        QFETCH(QString, porta);
        for (const bool linhaExiste : {false, true})
            QVERIFY(numeroDoErro([&] { comandoSalvaConfiguracao(linhaExiste, endereco, qtde, porta); }) != 0);
    }

    void escritoriosReescritosSemTocarNosOutros()
    {
        m_ambiente->executa(
            QStringLiteral("update ACE_ESTRUT_ORGN set descricao='MUDADO À MÃO' where codigo in (130, 131)"));
        m_ambiente->executa(QStringLiteral("insert into ACE_ESTRUT_ORGN values (999, 'SSRE DE OUTRA')"));
        // A town of the list overwrites; a placeholder never does.
        const QList<EscritorioRegional> lista =
            leEscritoriosRegionais(QStringLiteral("# comentário\n130\tVALE VERDE\n131\tA DEFINIR 131\tprovisorio\n"));
        QCOMPARE(lista.size(), 2);
        AtualizaSRE(instalacaoAtual(), lista);
        const auto descricao = [this](int codigo) {
            return m_ambiente->valor(
                QStringLiteral("select descricao from ACE_ESTRUT_ORGN where codigo=%1").arg(codigo));
        };
        QCOMPARE(descricao(130), QStringLiteral("SSRE DE VALE VERDE"));
        QCOMPARE(descricao(131), QStringLiteral("MUDADO À MÃO"));
        QCOMPARE(descricao(999), QStringLiteral("SSRE DE OUTRA"));
        const QString antes =
            m_ambiente->valor(QStringLiteral("select group_concat(codigo||descricao,'|') from ACE_ESTRUT_ORGN"));
        AtualizaSRE(instalacaoAtual(), lista);
        QCOMPARE(m_ambiente->valor(QStringLiteral("select group_concat(codigo||descricao,'|') from ACE_ESTRUT_ORGN")),
                 antes);
        QVERIFY(!SessaoBanco::algumaAberta());
    }

    void escritoriosAusentesNaoSaoFalha()
    {
        m_ambiente->executa(QStringLiteral("delete from ACE_ESTRUT_ORGN"));
        AtualizaSRE(instalacaoAtual(), leEscritoriosRegionais(QStringLiteral("114\tVALE VERDE\n")));
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from ACE_ESTRUT_ORGN")), QStringLiteral("0"));
    }

private:
    std::unique_ptr<AmbienteTeste> m_ambiente;
};

QTEST_GUILESS_MAIN(TstBanco)
#include "tst_banco.moc"
