// The site configuration's reader: a value is taken exactly as written, or
// refused and logged; nothing in it turns into a list, a comment or another
// folder.
#include "common/ArquivoIni.h"

#include <QTest>

class TstArquivoIni : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A row: the file, the key asked, its value ("<ausente>": not given) and
    // the one log line expected ("" none; "@L" stands for "Site configuration
    // t.conf line").
    void le_data()
    {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("chave");
        QTest::addColumn<QString>("valor");
        QTest::addColumn<QString>("aviso");
        const auto linha = [](const char *nome, const QByteArray &conteudo, const char *chave, const char *valor,
                              const char *aviso = "") {
            QTest::newRow(nome) << conteudo << QString::fromUtf8(chave) << QString::fromUtf8(valor)
                                << QString::fromUtf8(aviso);
        };
        linha("vírgula fica no valor", "pasta=/srv/a,b\n", "pasta", "/srv/a,b");
        linha("ponto e vírgula fica no valor", "pasta=/x;y\n", "pasta", "/x;y");
        linha("# no meio fica no valor", "pasta=/x #y", "pasta", "/x #y");
        linha("aspas saem, o de dentro fica", "pasta=\"/srv/tavo, sala 2\"\n", "pasta", "/srv/tavo, sala 2");
        linha("brancos dentro das aspas ficam", "pasta = \" /srv/x \" \t\n", "pasta", " /srv/x ");
        linha("só um par de aspas sai", "pasta=\"\"/x\"\"", "pasta", "\"/x\"");
        linha("aspa sem par fica", "pasta=\"/x", "pasta", "\"/x");
        linha("brancos de fora saem", "  pasta \t=  /srv/x  \t\n", "pasta", "/srv/x");
        linha("UTF-8", "pasta=/srv/escola ação\n", "pasta", "/srv/escola ação");
        linha("vazio", "pasta=\n", "pasta", "");
        linha("aspas vazias", "pasta=\"\"\n", "pasta", "");
        linha("repetida: vale a última", "pasta=/a\npasta=/b\n", "pasta", "/b");
        linha("tab dentro recusado", "pasta=/srv/sala\t2\n", "pasta", "<ausente>",
              "@L 1: the value of pasta holds a control character (/srv/sala\\x092); the setting counts as absent");
        linha("tab dentro das aspas recusado", "[unidades]\nc=\"\t/c\"\n", "unidades/c", "<ausente>",
              "@L 2: the value of unidades/c holds a control character (\\x09/c); the setting counts as absent");
        linha("CR sozinho recusado", "pasta=/a\rb\n", "pasta", "<ausente>",
              "@L 1: the value of pasta holds a control character (/a\\x0Db); the setting counts as absent");
        linha("recusada apaga a anterior", "pasta=/a\npasta=/b\x01\n", "pasta", "<ausente>",
              "@L 2: the value of pasta holds a control character (/b\\x01); the setting counts as absent");
        linha("não UTF-8 recusado", "pasta=/srv/\xe9scola\n", "pasta", "<ausente>",
              "@L 1: the value of pasta holds bytes that are not UTF-8 (/srv/\\xE9scola); the setting counts as "
              "absent");
        linha("comentário #", "# pasta=/x\npasta=/y\n", "pasta", "/y");
        linha("comentário ; depois de brancos", "  \t; pasta=/x\n", "pasta", "<ausente>");
        linha("linhas em branco", "\n  \n\t\npasta=/y\n\n", "pasta", "/y");
        linha("CRLF", "pasta=/x\r\n[unidades]\r\nc=/c\r\n", "unidades/c", "/c");
        linha("CRLF no fim do valor", "pasta=/x\r\n", "pasta", "/x");
        linha("BOM", "\xEF\xBB\xBFpasta=/x\n", "pasta", "/x");
        linha("chave de seção", "[unidades]\nc=/c\n", "unidades/c", "/c");
        linha("chave de seção não está no topo", "[unidades]\nc=/c\n", "c", "<ausente>");
        linha("seção com brancos", "[ servidor ]\n ip = 10.0.0.1\n", "servidor/ip", "10.0.0.1");
        linha("General é o topo", "[unidades]\n[General]\npasta=/g\n", "pasta", "/g");
        linha("maiúscula é outra chave", "[unidades]\nA=/a\n", "unidades/a", "<ausente>");
        linha("linha sem = ignorada", "pasta /x\npasta=/y\n", "pasta", "/y",
              "@L 1 ignored: neither a section, a setting nor a comment");
        linha("chave vazia ignorada", " = /x\n", "", "<ausente>", "@L 1 ignored: a setting with no key");
    }
    void le()
    {
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, chave);
        QFETCH(QString, valor);
        QFETCH(QString, aviso);
        const ArquivoIni::Leitura leitura = ArquivoIni::le(conteudo, QStringLiteral("t.conf"));
        if (valor == QLatin1String("<ausente>"))
            QVERIFY2(!leitura.valores.contains(chave), qPrintable(leitura.valores.value(chave)));
        else
            QCOMPARE(leitura.valores.value(chave, QStringLiteral("<ausente>")), valor);
        aviso.replace(QLatin1String("@L"), QLatin1String("Site configuration t.conf line"));
        QCOMPARE(leitura.avisos, aviso.isEmpty() ? QStringList() : QStringList{aviso});
    }

    void textoEscapado_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("texto");
        QTest::newRow("UTF-8 fica") << QByteArray("/srv/ação €") << QStringLiteral("/srv/ação €");
        QTest::newRow("Latin-1") << QByteArray("/tmp/root\xe9") << QStringLiteral("/tmp/root\\xE9");
        QTest::newRow("sequência cortada") << QByteArray("a\xe2\x82z") << QStringLiteral("a\\xE2\\x82z");
        QTest::newRow("no fim") << QByteArray("a\xc3") << QStringLiteral("a\\xC3");
        QTest::newRow("forma longa") << QByteArray("\xc0\xaf") << QStringLiteral("\\xC0\\xAF");
        QTest::newRow("controle") << QByteArray("a\tb\x7f") << QStringLiteral("a\\x09b\\x7F");
        QTest::newRow("controle C1") << QByteArray("a\xc2\x85") << QStringLiteral("a\\xC2\\x85");
    }
    void textoEscapado()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, texto);
        QCOMPARE(ArquivoIni::textoEscapado(bytes), texto);
    }
};

QTEST_GUILESS_MAIN(TstArquivoIni)
#include "tst_arquivoIni.moc"
