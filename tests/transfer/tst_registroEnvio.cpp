// Recording a complete send in Historico, with the upgrade of an old table.
#include "common/Erro.h"
#include "common/Relogio.h"
#include "store/Banco.h"
#include "transfer/RegistroEnvio.h"

#include "support/AmbienteTeste.h"

#include <QFile>
#include <QTest>

namespace {

const QDateTime kMomento(QDate(2026, 12, 7), QTime(9, 5, 3));

EnvioConcluido envio(const QString &tipo = QStringLiteral("PERIO"))
{
    return {QStringLiteral("DADOS_31045678_07122026.zip"), QStringLiteral("114"), QStringLiteral("31045678"), tipo};
}

} // namespace

class TstRegistroEnvio : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { Relogio::fixa(kMomento); }
    void cleanup()
    {
        Relogio::fixa({});
        // Every recording, complete or not, leaves the local database closed.
        QVERIFY(!SessaoBanco::algumaAberta());
    }

    void comandoComDataDiaPrimeiroEValoresProtegidos()
    {
        QCOMPARE(comandoRegistraEnvio(envio(), kMomento),
                 QStringLiteral("insert into Historico (Nome_arquivo,data_envio,codigo_ace_estrut_orgn,codigo_escola,"
                                "tipo_transmissao) values('DADOS_31045678_07122026.zip','07/12/2026 09:05:03',114,"
                                "31045678,'PERIO')"));
        EnvioConcluido aspas = envio();
        aspas.nomeArquivo = QStringLiteral("O'BRIEN.zip");
        QVERIFY(comandoRegistraEnvio(aspas, kMomento).contains(QStringLiteral("'O''BRIEN.zip'")));
        EnvioConcluido injecao = envio();
        injecao.codigoEscola = QStringLiteral("1);drop");
        QVERIFY_THROWS_EXCEPTION(ErroTavo, comandoRegistraEnvio(injecao, kMomento));
    }

    void registraNaTabelaAtual()
    {
        AmbienteTeste ambiente;
        ambiente.executa(
            QStringLiteral("insert into Historico values ('antigo.zip', '01/02/2025 10:00:00', 114, 1, 'PERIO')"));
        RegistraEnvio(instalacaoAtual(), envio(QStringLiteral("ANUAL")));
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from Historico")), QStringLiteral("2"));
        QCOMPARE(
            ambiente.valor(QStringLiteral("select Nome_arquivo || '|' || data_envio || '|' || codigo_ace_estrut_orgn"
                                          " || '|' || codigo_escola || '|' || tipo_transmissao from Historico"
                                          " where Nome_arquivo like 'DADOS%'")),
            QStringLiteral("DADOS_31045678_07122026.zip|2026-12-07 09:05:03|114|31045678|ANUAL"));
        QCOMPARE(
            ambiente.valor(QStringLiteral("select tipo_transmissao from Historico where Nome_arquivo='antigo.zip'")),
            QStringLiteral("PERIO"));
    }

    void tabelaAntigaGanhaAColunaNoPrimeiroRegistro()
    {
        AmbienteTeste ambiente;
        ambiente.executa(QStringLiteral("drop table Historico"));
        ambiente.executa(QStringLiteral("create table Historico (Nome_arquivo TEXT, data_envio DATETIME,"
                                        " codigo_ace_estrut_orgn INTEGER, codigo_escola INTEGER)"));
        ambiente.executa(QStringLiteral("insert into Historico values ('a.zip', '2025-01-02 10:00:00', 114, 1)"));
        ambiente.executa(QStringLiteral("insert into Historico values ('b.zip', '2025-03-04 11:00:00', 121, 2)"));

        RegistraEnvio(instalacaoAtual(), envio());
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from Historico where tipo_transmissao='ANUAL'")),
                 QStringLiteral("2"));
        QCOMPARE(ambiente.valor(QStringLiteral("select tipo_transmissao from Historico where codigo_escola=31045678")),
                 QStringLiteral("PERIO"));
        // The table has no date trigger any more: the text is kept as written.
        QCOMPARE(ambiente.valor(QStringLiteral("select data_envio from Historico where codigo_escola=31045678")),
                 QStringLiteral("07/12/2026 09:05:03"));

        // The next record finds the column and changes nothing else.
        RegistraEnvio(instalacaoAtual(), envio(QStringLiteral("ANUAL")));
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from Historico where tipo_transmissao='PERIO'")),
                 QStringLiteral("1"));
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from Historico")), QStringLiteral("4"));
    }

    void atualizacaoQueFalhaAMeioNaoDeixaAColunaSemAMarcacao()
    {
        AmbienteTeste ambiente;
        ambiente.executa(QStringLiteral("drop table Historico"));
        ambiente.executa(QStringLiteral("create table Historico (Nome_arquivo TEXT, data_envio DATETIME,"
                                        " codigo_ace_estrut_orgn INTEGER, codigo_escola INTEGER)"));
        ambiente.executa(QStringLiteral("insert into Historico values ('a.zip', '2025-01-02 10:00:00', 114, 1)"));
        // The column can be added, the old rows cannot be marked.
        ambiente.executa(QStringLiteral(
            "create trigger bloqueia before update on Historico begin select raise(abort, 'tabela bloqueada'); end"));

        QVERIFY_THROWS_EXCEPTION(ErroTavo, RegistraEnvio(instalacaoAtual(), envio()));
        QCOMPARE(ambiente.valor(QStringLiteral(
                     "select count(*) from pragma_table_info('Historico') where name = 'tipo_transmissao'")),
                 QStringLiteral("0"));
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from Historico")), QStringLiteral("1"));

        // Once the rows can be marked, the next record upgrades the table whole.
        ambiente.executa(QStringLiteral("drop trigger bloqueia"));
        RegistraEnvio(instalacaoAtual(), envio());
        QCOMPARE(ambiente.valor(QStringLiteral("select tipo_transmissao from Historico where Nome_arquivo = 'a.zip'")),
                 QStringLiteral("ANUAL"));
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from Historico")), QStringLiteral("2"));
    }

    // The receipt copies the row's name and moment as the row stores them:
    // ISO text through the template's trigger, day first in a table of an
    // earlier version without it, and without the receipts' table, made then.
    void reciboComONomeEAHoraDoRegistro_data()
    {
        QTest::addColumn<bool>("tabelaAntiga");
        QTest::addColumn<QString>("data");
        QTest::newRow("modelo") << false << QStringLiteral("2026-12-07 09:05:03");
        QTest::newRow("tabela antiga, sem recibos") << true << QStringLiteral("07/12/2026 09:05:03");
    }
    void reciboComONomeEAHoraDoRegistro()
    {
        QFETCH(bool, tabelaAntiga);
        QFETCH(QString, data);
        AmbienteTeste ambiente;
        if (tabelaAntiga) {
            ambiente.executa(QStringLiteral("drop table recibo_envio"));
            ambiente.executa(QStringLiteral("drop table Historico"));
            ambiente.executa(QStringLiteral("create table Historico (Nome_arquivo TEXT, data_envio DATETIME,"
                                            " codigo_ace_estrut_orgn INTEGER, codigo_escola INTEGER,"
                                            " tipo_transmissao TEXT)"));
        }
        EnvioConcluido comRecibo = envio();
        comRecibo.tamanho = 1234;
        comRecibo.sha256 = QByteArray(31, '\x0f') + '\xa0';
        RegistraEnvio(instalacaoAtual(), comRecibo);
        QCOMPARE(ambiente.valor(QStringLiteral("select nome_arquivo || '|' || data_envio || '|' || tamanho || '|' ||"
                                               " sha256 from recibo_envio")),
                 QStringLiteral("DADOS_31045678_07122026.zip|") + data + QStringLiteral("|1234|")
                     + QStringLiteral("0f").repeated(31) + QStringLiteral("a0"));
        QCOMPARE(ambiente.valor(QStringLiteral("select data_envio from Historico")), data);
    }

    void falhasChegamAoChamadorComOBancoFechado()
    {
        {
            AmbienteTeste ambiente;
            EnvioConcluido semNumero = envio();
            semNumero.codigoEscola = QStringLiteral("3104567A");
            try {
                RegistraEnvio(instalacaoAtual(), semNumero);
                QFAIL("a school code that is not a number was recorded");
            } catch (const ErroTavo &erro) {
                QCOMPARE(erro.numero(), Erros::TipoIncompativel);
            }
            QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from Historico")), QStringLiteral("0"));
        }
        {
            AmbienteTeste ambiente(false);
            QVERIFY_THROWS_EXCEPTION(ErroTavo, RegistraEnvio(instalacaoAtual(), envio()));
        }
        {
            AmbienteTeste ambiente;
            ambiente.executa(QStringLiteral("drop table Historico"));
            try {
                RegistraEnvio(instalacaoAtual(), envio());
                QFAIL("a database without Historico took the record");
            } catch (const ErroTavo &erro) {
                QVERIFY(erro.descricao().contains(QStringLiteral("Historico"), Qt::CaseInsensitive));
            }
            // Closed on the way out: the file can be replaced at once.
            QVERIFY(QFile::remove(ambiente.bancoLocal()));
        }
    }
};

QTEST_GUILESS_MAIN(TstRegistroEnvio)
#include "tst_registroEnvio.moc"
