// Loading a module of the program or a library of the system when first
// needed: what is found, and the reason given when it is not.
#include "common/Modulos.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

class TstModulos : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encontraOuDizPorQue_data()
    {
        QTest::addColumn<std::function<Modulos::Funcao()>>("procura");
        QTest::addColumn<QString>("motivo"); // empty: found
        QTest::newRow("module and function")
            << std::function([] { return Modulos::doPrograma("tavo-rede", "tavo_cria_canal_tcp"); }) << QString();
        QTest::newRow("module without the function")
            << std::function([] { return Modulos::doPrograma("tavo-rede", "nao_existe"); })
            << QStringLiteral("nao_existe");
        QTest::newRow("no such module") << std::function([] { return Modulos::doPrograma("tavo-nao-existe", "f"); })
                                        << QStringLiteral("tavo-nao-existe.so not found in ");
        QTest::newRow("system library and function")
            << std::function([] { return Modulos::doSistema("z", 1, "inflate"); }) << QString();
        QTest::newRow("system library without the function")
            << std::function([] { return Modulos::doSistema("z", 1, "nao_existe"); }) << QStringLiteral("nao_existe");
        QTest::newRow("no such system library")
            << std::function([] { return Modulos::doSistema("tavo-nao-existe", 7, "f"); })
            << QStringLiteral("tavo-nao-existe");
    }
    void encontraOuDizPorQue()
    {
        QFETCH(std::function<Modulos::Funcao()>, procura);
        QFETCH(QString, motivo);
        // Asked twice: a library that failed once is not found the second time either.
        for (int vez = 0; vez < 2; ++vez) {
            const Modulos::Funcao funcao = procura();
            if (motivo.isEmpty()) {
                QVERIFY2(funcao.endereco, qPrintable(funcao.motivo));
                QVERIFY(funcao.motivo.isEmpty());
            } else {
                QVERIFY(!funcao.endereco);
                QVERIFY2(funcao.motivo.contains(motivo), qPrintable(funcao.motivo));
            }
        }
    }

    // A table of a library's functions is filled in order; the first that
    // is missing stops it, leaves the rest null and is named.
    void tabelaParaNaPrimeiraQueFalta()
    {
        using Funcao = int (*)();
        Funcao inflate = nullptr, ausente = nullptr, deflate = nullptr;
        Modulos::TabelaDoSistema parcial("z", 1);
        parcial.resolve(inflate, "inflate");
        parcial.resolve(ausente, "nao_existe");
        parcial.resolve(deflate, "deflate");
        QVERIFY(inflate);
        QVERIFY(!ausente);
        QVERIFY(!deflate);
        QVERIFY2(parcial.motivo.contains(QLatin1String("nao_existe")), qPrintable(parcial.motivo));

        Modulos::TabelaDoSistema completa("z", 1);
        completa.resolve(inflate, "inflate");
        completa.resolve(deflate, "deflate");
        QVERIFY(inflate && deflate && inflate != deflate);
        QVERIFY2(completa.motivo.isEmpty(), qPrintable(completa.motivo));
    }
};

QTEST_GUILESS_MAIN(TstModulos)
#include "tst_modulos.moc"
