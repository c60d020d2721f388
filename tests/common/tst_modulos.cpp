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
                                        << QStringLiteral("tavo-nao-existe" TAVO_SUFIXO_MODULO " not found in ");
        QTest::newRow("system library and function")
            << std::function([] { return Modulos::doSistema(TAVO_LIBZIP_NOME, TAVO_LIBZIP_ABI, "zip_open"); })
            << QString();
        QTest::newRow("system library without the function")
            << std::function([] { return Modulos::doSistema(TAVO_LIBZIP_NOME, TAVO_LIBZIP_ABI, "nao_existe"); })
            << QStringLiteral("nao_existe");
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
        Funcao abre = nullptr, ausente = nullptr, fecha = nullptr;
        Modulos::TabelaDoSistema parcial(TAVO_LIBZIP_NOME, TAVO_LIBZIP_ABI);
        parcial.resolve(abre, "zip_open");
        parcial.resolve(ausente, "nao_existe");
        parcial.resolve(fecha, "zip_close");
        QVERIFY(abre);
        QVERIFY(!ausente);
        QVERIFY(!fecha);
        QVERIFY2(parcial.motivo.contains(QLatin1String("nao_existe")), qPrintable(parcial.motivo));

        Modulos::TabelaDoSistema completa(TAVO_LIBZIP_NOME, TAVO_LIBZIP_ABI);
        completa.resolve(abre, "zip_open");
        completa.resolve(fecha, "zip_close");
        QVERIFY(abre && fecha && abre != fecha);
        QVERIFY2(completa.motivo.isEmpty(), qPrintable(completa.motivo));
    }
};

QTEST_GUILESS_MAIN(TstModulos)
#include "tst_modulos.moc"
