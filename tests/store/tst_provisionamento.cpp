// A new local database takes the site's initial server settings and its list
// of regional offices; settings the settings window would refuse, and lists
// that cannot be used, are logged and left out.
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "store/EscritoriosRegionais.h"
#include "store/PreparacaoBancoLocal.h"
#include "store/Provisionamento.h"
#include "support/AmbienteTeste.h"
#include "support/Anotador.h"
#include "support/Auxiliares.h"

#include <QRegularExpression>
#include <QTest>

class TstProvisionamento : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void servidorDoSitio_data()
    {
        QTest::addColumn<QByteArray>("servidor"); // the [servidor] lines of the system's file
        QTest::addColumn<QString>("gravado");     // the configuracao row, "" for none
        QTest::addColumn<QString>("recusa");      // a part of the logged reason
        QTest::newRow("válido") << QByteArray("ip= 10.20.30.40 \nportas=5\nporta_inicial=7000") << "10.20.30.40|5|7000"
                                << QString();
        QTest::newRow("nenhum") << QByteArray() << QString() << QString();
        QTest::newRow("cinco partes") << QByteArray("ip=1.2.3.4.5\nportas=5\nporta_inicial=7000") << QString()
                                      << "mais de quatro partes";
        QTest::newRow("parte maior que a caixa")
            << QByteArray("ip=1000.2.3.4\nportas=5\nporta_inicial=7000") << QString() << "três caracteres";
        QTest::newRow("três partes") << QByteArray("ip=10.20.30\nportas=5\nporta_inicial=7000") << QString()
                                     << "IP do servidor está correto";
        QTest::newRow("aspa no IP") << QByteArray("ip=\"10.20.30.4'\"\nportas=5\nporta_inicial=7000") << QString()
                                    << "Endereço inválido";
        QTest::newRow("porta fora da faixa")
            << QByteArray("ip=10.20.30.40\nportas=5\nporta_inicial=70000") << QString() << "1 a 65535";
    }
    void servidorDoSitio()
    {
        QFETCH(QByteArray, servidor);
        QFETCH(QString, gravado);
        QFETCH(QString, recusa);
        AmbienteTeste ambiente(false);
        if (!servidor.isEmpty())
            grava(instalacaoAtual().arquivoSistema(), "[servidor]\n" + servidor + '\n');
        if (!recusa.isEmpty())
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QStringLiteral("^Initial server settings .*left out:.*")
                                                    + QRegularExpression::escape(recusa)));
        garanteBancoLocal(instalacaoAtual());
        const QString linha = QStringLiteral("select ip_servidor || '|' || qtde_portas || '|' || porta_inicial "
                                             "from configuracao");
        QCOMPARE(ambiente.valor(linha), gravado);
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from configuracao")).toInt(),
                 gravado.isEmpty() ? 0 : 1);

        // Once the database exists, the site's settings are no longer written.
        ambiente.executa(QStringLiteral("delete from configuracao"));
        garanteBancoLocal(instalacaoAtual());
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from configuracao")), QStringLiteral("0"));
    }

    void listaDeEscritorios_data()
    {
        QTest::addColumn<QByteArray>("naPasta"); // "<pasta>": a folder of that name
        QTest::addColumn<QByteArray>("noSistema");
        QTest::addColumn<QString>("primeiro"); // the first office, "" for the built-in list
        QTest::addColumn<QString>("aviso");
        const QByteArray sistema = "# lista do estado\n114\tUBÁ\n";
        QTest::newRow("nenhuma") << QByteArray() << QByteArray() << QString() << QString();
        QTest::newRow("do sistema") << QByteArray() << sistema << "114 UBÁ" << QString();
        QTest::newRow("a da pasta vence")
            << QByteArray("200\tVALE VERDE\n") << sistema << "200 VALE VERDE" << QString();
        QTest::newRow("linha inválida é registrada")
            << QByteArray("x\tY\n200\tVALE VERDE\n201\n") << sistema << "200 VALE VERDE"
            << "lines .* ignored: 1, 3";
        QTest::newRow("sem linha válida") << QByteArray("# nada\nx\tY\n") << sistema << QString() << "no valid line";
        QTest::newRow("fora do UTF-8") << QByteArray("114\tUB\xC1\n") << sistema << QString() << "not UTF-8";
        QTest::newRow("ilegível") << QByteArray("<pasta>") << sistema << QString() << "not read";
    }
    void listaDeEscritorios()
    {
        QFETCH(QByteArray, naPasta);
        QFETCH(QByteArray, noSistema);
        QFETCH(QString, primeiro);
        QFETCH(QString, aviso);
        AmbienteTeste ambiente(false);
        // The program folder's file is found whatever the case of its name.
        const QString local = ambiente.raiz() + QStringLiteral("/Escritorios_Regionais.TSV");
        if (naPasta == "<pasta>")
            QVERIFY(QDir().mkpath(local));
        else if (!naPasta.isEmpty())
            grava(local, naPasta);
        if (!noSistema.isEmpty())
            grava(ambiente.pastaSistema() + QStringLiteral("/escritorios_regionais.tsv"), noSistema);
        if (!aviso.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Regional office list.*") + aviso));
        const QList<EscritorioRegional> lista = escritoriosRegionais(instalacaoAtual());
        QVERIFY(!lista.isEmpty());
        if (primeiro.isEmpty()) {
            QCOMPARE(lista.size(), 38);
            QVERIFY(lista.first().provisorio);
        } else {
            QCOMPARE(QString::number(lista.first().codigo) + QLatin1Char(' ') + lista.first().cidade, primeiro);
        }
    }

    // A database of an earlier version gets the receipts' table at the
    // start; Historico stays as it was.
    void reciboEmBancoDeVersaoAnterior()
    {
        AmbienteTeste ambiente;
        ambiente.executa(QStringLiteral("drop table recibo_envio"));
        const QString historico = QStringLiteral("select sql from sqlite_master where name = 'Historico'");
        const QString antes = ambiente.valor(historico);
        Anotador usuario;
        preparaBancoLocal(instalacaoAtual(), usuario);
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from recibo_envio")), QStringLiteral("0"));
        QCOMPARE(ambiente.valor(historico), antes);
        QVERIFY(usuario.textos.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstProvisionamento)
#include "tst_provisionamento.moc"
