#include "common/Caminhos.h"
#include "common/Conversao.h"
#include "common/Erro.h"
#include "common/FormataTamanho.h"
#include "common/Instalacao.h"
#include "common/plataforma/PlataformaMontagens.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

class TstComum : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }

    void tamanhoCurto_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("texto");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0 bytes");
        QTest::newRow("abaixo de 1 KB") << qint64(904) << QStringLiteral("904 bytes");
        QTest::newRow("1023") << qint64(1023) << QStringLiteral("1.023 bytes");
        QTest::newRow("1 KB") << qint64(1024) << QStringLiteral("1,00 KB");
        QTest::newRow("resto de 5000 após uma peça") << qint64(2952) << QStringLiteral("2,88 KB");
        QTest::newRow("4096") << qint64(4096) << QStringLiteral("4,00 KB");
        QTest::newRow("corta, não arredonda") << qint64(2047) << QStringLiteral("1,99 KB");
        QTest::newRow("dezenas de KB") << qint64(14848) << QStringLiteral("14,5 KB");
        QTest::newRow("centenas de KB") << qint64(150000) << QStringLiteral("146 KB");
        QTest::newRow("peça de disquete") << qint64(1447035) << QStringLiteral("1,38 MB");
        QTest::newRow("GB") << qint64(5368709120) << QStringLiteral("5,00 GB");
    }
    void tamanhoCurto()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, texto);
        QCOMPARE(FormataTamanho(bytes), texto);
    }

    void conversoesArredondamParaOPar()
    {
        QCOMPARE(Conversao::paraInteiro16(QStringLiteral(" 3 ")), 3);
        QCOMPARE(Conversao::paraInteiro16(QStringLiteral("2.5")), 2);
        QCOMPARE(Conversao::paraInteiro16(QStringLiteral("3.5")), 4);
        QCOMPARE(Conversao::paraInteiro16(QStringLiteral("-32768")), -32768);
        QCOMPARE(Conversao::paraInteiro32(QStringLiteral("70000")), 70000);
    }

    void conversoesRecusamTextoEForaDaFaixa()
    {
        auto numeroDoErro = [](auto &&conversao) -> long {
            try {
                conversao();
            } catch (const ErroTavo &erro) {
                return erro.numero();
            }
            return 0;
        };
        QCOMPARE(numeroDoErro([] { Conversao::paraInteiro16(QStringLiteral("abc")); }), Erros::TipoIncompativel);
        QCOMPARE(numeroDoErro([] { Conversao::paraInteiro16(QString()); }), Erros::TipoIncompativel);
        QCOMPARE(numeroDoErro([] { Conversao::paraInteiro16(QStringLiteral("32768")); }), Erros::Estouro);
        QCOMPARE(numeroDoErro([] { Conversao::paraInteiro32(QStringLiteral("3000000000")); }), Erros::Estouro);
    }

    // Drive c: is the program folder's drives/c, or the host's own C: where
    // the host has drive letters (Windows); a: the stand-in drives/a when
    // no medium is there.
    void caminhosDeUnidadeFicamSobARaiz()
    {
        QTemporaryDir raiz;
        qputenv("TAVO_ROOT", raiz.path().toUtf8());
        qunsetenv("TAVO_DRIVE_A");
        qunsetenv("TAVO_DRIVE_C");
        Montagens::simula(QStringList{});
        const QString c = Montagens::raizDaUnidade(QLatin1Char('c')).isEmpty()
                              ? raiz.path() + QStringLiteral("/drives/c")
                              : QStringLiteral("C:");
        QCOMPARE(Instalacao::carrega().pastaPrograma(), raiz.path());
        QCOMPARE(Instalacao::carrega().local(QStringLiteral("c:\\temp_tavo")), c + QStringLiteral("/temp_tavo"));
        QCOMPARE(Instalacao::carrega().local(QStringLiteral("C:\\inetpub\\wwwroot\\tavo\\mirv_dat.mdb")),
                 c + QStringLiteral("/inetpub/wwwroot/tavo/mirv_dat.mdb"));
        QCOMPARE(Instalacao::carrega().local(QStringLiteral("a:\\")), raiz.path() + QStringLiteral("/drives/a/"));
        // A line break in the name does not make it a path of the current folder.
        QCOMPARE(Instalacao::carrega().local(QStringLiteral("c:\\temp_tavo\\esc\nola.zip")),
                 c + QStringLiteral("/temp_tavo/esc\nola.zip"));
        // A path of the host (from a file dialog) is left alone.
        QCOMPARE(Instalacao::carrega().local(QStringLiteral("/tmp/x y/DADOS.zip")),
                 QStringLiteral("/tmp/x y/DADOS.zip"));

        QTemporaryDir pendrive;
        qputenv("TAVO_DRIVE_A", pendrive.path().toUtf8());
        QCOMPARE(Instalacao::carrega().local(QStringLiteral("a:\\DADOS.zip.001")),
                 pendrive.path() + QStringLiteral("/DADOS.zip.001"));
        qunsetenv("TAVO_DRIVE_A");
        qunsetenv("TAVO_ROOT");
        Montagens::simula(std::nullopt);
    }

    // An existing name in another case is the one used (on Windows the file
    // system itself ignores case).
    void nomesDeArquivoIgnoramCaixa()
    {
        QTemporaryDir raiz;
        qputenv("TAVO_ROOT", raiz.path().toUtf8());
        qputenv("TAVO_DRIVE_C", QString(raiz.path() + QStringLiteral("/drives/c")).toUtf8());
        QDir(raiz.path()).mkpath(QStringLiteral("drives/c/Temp_Tavo"));
        QFile arquivo(raiz.path() + QStringLiteral("/UploadCliente.mdb"));
        QVERIFY(arquivo.open(QIODevice::WriteOnly));
        arquivo.close();
        // The same file, as the file system compares names.
        QVERIFY(QFileInfo(Instalacao::carrega().naPastaPrograma(QStringLiteral("\\uploadcliente.mdb")))
                == QFileInfo(arquivo));
        const QString novo = Instalacao::carrega().local(QStringLiteral("c:\\temp_tavo\\novo.zip"));
        QCOMPARE(QFileInfo(novo).fileName(), QStringLiteral("novo.zip"));
        QVERIFY(QFileInfo(QFileInfo(novo).path()) == QFileInfo(raiz.path() + QStringLiteral("/drives/c/Temp_Tavo")));
        qunsetenv("TAVO_DRIVE_C");
        qunsetenv("TAVO_ROOT");
    }

    void nomeDoArquivoEmQualquerForma()
    {
        QCOMPARE(Caminhos::nomeArquivo(QStringLiteral("c:\\temp_tavo\\DADOS_1_01012026.zip")),
                 QStringLiteral("DADOS_1_01012026.zip"));
        QCOMPARE(Caminhos::nomeArquivo(QStringLiteral("/media/x/a.zip.001")), QStringLiteral("a.zip.001"));
    }
};

QTEST_GUILESS_MAIN(TstComum)
#include "tst_comum.moc"
