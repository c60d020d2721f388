// Month names and sizes are Portuguese on a system set to any language.
// The system's locale comes from the environment of a process, so each case
// runs this program again as a child with LANG and LC_ALL set.
#include "common/FormataTamanho.h"
#include "common/Localidade.h"
#include "history/RelatorioHistorico.h"
#include "support/SistemaTeste.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>

class TstLocalidade : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programaNoSistema_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("saida"); // system's locale, default locale, March, a floppy piece
        QTest::newRow("inglês") << "en_US.UTF-8"
                                << "en_US pt_BR MARÇO 1,38 MB";
        QTest::newRow("C") << "C.UTF-8"
                           << "C pt_BR MARÇO 1,38 MB";
        QTest::newRow("Brasil") << "pt_BR.UTF-8"
                                << "pt_BR pt_BR MARÇO 1,38 MB";
        QTest::newRow("Portugal") << "pt_PT.UTF-8"
                                  << "pt_PT pt_PT MARÇO 1,38 MB";
    }
    void programaNoSistema()
    {
        QFETCH(QString, lang);
        QFETCH(QString, saida);
        if (!SistemaTeste::idiomaPeloAmbiente())
            QSKIP("Windows takes the language from the user's settings, not from LANG");
        QProcess filho;
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        for (const char *nome : {"LANG", "LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MESSAGES", "LANGUAGE"})
            ambiente.insert(QLatin1String(nome), lang);
        filho.setProcessEnvironment(ambiente);
        filho.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--filho")});
        QVERIFY(filho.waitForFinished(30000));
        QCOMPARE(filho.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(filho.readAllStandardOutput()).trimmed(), saida);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--filho") == 0) {
        Localidade::ajusta();
        const QString linha = QLocale::system().name() + QLatin1Char(' ') + QLocale().name() + QLatin1Char(' ')
                              + RelatorioHistorico::nomeMes(3) + QLatin1Char(' ') + FormataTamanho(1447035);
        std::fputs(linha.toUtf8().constData(), stdout);
        return 0;
    }
    TstLocalidade teste;
    return QTest::qExec(&teste, argc, argv);
}

#include "tst_localidade.moc"
