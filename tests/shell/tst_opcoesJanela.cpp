// The window program's command line: --help and --version answer with no
// display, Qt's own options are left for Qt, anything else is bad usage; and
// a path variable that is no path stops the start.
#include "shell/OpcoesJanela.h"

#include "support/ExecucaoPrograma.h"
#include "support/SistemaTeste.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using OpcoesJanela::Pedido;

namespace {

// Runs the built window program as on a machine with no graphical session:
// no X11 or Wayland display, no Qt platform chosen. Bounded.
Execucao semTela(const QStringList &argumentos)
{
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.remove(QStringLiteral("DISPLAY"));
    ambiente.remove(QStringLiteral("WAYLAND_DISPLAY"));
    ambiente.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
    Execucao execucao = executaPrograma(QStringLiteral(TAVO_UPLOAD), argumentos, ambiente, 30000);
    // Windows' C library ends the lines of a text stream with CR LF.
    execucao.saida.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return execucao;
}

} // namespace

class TstOpcoesJanela : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versaoEAjudaRespondemSemTela()
    {
        const Execucao versao = semTela({QStringLiteral("--version")});
        QCOMPARE(versao.codigo, 0);
        QCOMPARE(versao.saida, QStringLiteral("tavo-upload " TAVO_VERSAO "\n"));
        QCOMPARE(versao.erros, QString());

        for (const QString &pedido : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            const Execucao ajuda = semTela({pedido});
            QCOMPARE(ajuda.codigo, 0);
            QVERIFY(ajuda.saida.startsWith(QStringLiteral("Uso: tavo-upload [opções]\n")));
            QVERIFY(ajuda.saida.contains(QStringLiteral("--version")));
            QCOMPARE(ajuda.erros, QString());
        }

        // Beside a Qt option, and anywhere on the line.
        const Execucao comOpcaoQt =
            semTela({QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--version")});
        QCOMPARE(comOpcaoQt.codigo, 0);
        QCOMPARE(comOpcaoQt.saida, versao.saida);
    }

    void opcaoDesconhecidaDaUsoEStatus2SemAbrirJanela()
    {
        for (const QStringList &linha :
             {QStringList{QStringLiteral("--nada")}, QStringList{QStringLiteral("pacote.zip")},
              QStringList{QStringLiteral("-reverse"), QStringLiteral("-style")}}) {
            const Execucao execucao = semTela(linha);
            QCOMPARE(execucao.codigo, 2);
            QCOMPARE(execucao.saida, QString());
            QVERIFY2(execucao.erros.startsWith(QStringLiteral("tavo-upload: ")), qPrintable(execucao.erros));
            QVERIFY(execucao.erros.contains(linha.last()));
            QVERIFY(execucao.erros.contains(QStringLiteral("tavo-upload --help")));
        }
    }

    // TAVO_ROOT whose bytes are not UTF-8 would name another folder once
    // decoded: the start stops at its message box before the program's
    // folder (under either name) or its log is made.
    void variavelQueNaoEhTextoParaAntesDeCriarAPasta()
    {
        if (!SistemaTeste::ambienteEmBytes())
            QSKIP("Windows' environment holds UTF-16 text: every value is text");
        QTemporaryDir pasta;
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        ambiente.remove(QStringLiteral("QT_LOGGING_RULES"));
        QProcess janela;
        janela.setProcessEnvironment(ambiente);
        janela.start(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("export TAVO_ROOT=\"$1/raiz$(printf '\\351')\"; exec \"$0\""),
                      QStringLiteral(TAVO_UPLOAD), pasta.path()});
        QVERIFY(janela.waitForStarted(10000));
        const QString esperado = QStringLiteral("Start refused, a path variable cannot be used: A variável de "
                                                "ambiente TAVO_ROOT contém um caminho que não pode ser usado: ")
                                 + pasta.path() + QStringLiteral("/raiz\\xE9.");
        // The box waits for the user; the line before it tells it is up.
        QString erros;
        const QDeadlineTimer prazo(30000);
        while (!erros.contains(esperado) && janela.state() == QProcess::Running && !prazo.hasExpired()) {
            janela.waitForReadyRead(200);
            erros += QString::fromUtf8(janela.readAllStandardError());
        }
        const QStringList criados = QDir(pasta.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        janela.kill();
        janela.waitForFinished(5000);
        QVERIFY2(erros.contains(esperado), qPrintable(erros));
        QCOMPARE(criados, QStringList());
    }

    void opcoesDoQtFicamParaOQt_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<int>("pedido");
        QTest::newRow("nada") << QStringList() << int(Pedido::Abrir);
        QTest::newRow("plataforma e estilo") << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"),
                                                            QStringLiteral("-style"), QStringLiteral("fusion")}
                                             << int(Pedido::Abrir);
        QTest::newRow("dois traços e =") << QStringList{QStringLiteral("--style=fusion"), QStringLiteral("--reverse")}
                                         << int(Pedido::Abrir);
        QTest::newRow("sessão restaurada")
            << QStringList{QStringLiteral("-session"), QStringLiteral("1234abc_5678")} << int(Pedido::Abrir);
        QTest::newRow("valor que parece opção")
            << QStringList{QStringLiteral("-qwindowtitle"), QStringLiteral("--help-me")} << int(Pedido::Abrir);
        QTest::newRow("estilo sem valor") << QStringList{QStringLiteral("-style")} << int(Pedido::UsoIncorreto);
        QTest::newRow("chave sem valor com =")
            << QStringList{QStringLiteral("-reverse=sim")} << int(Pedido::UsoIncorreto);
        QTest::newRow("traço sozinho") << QStringList{QStringLiteral("-")} << int(Pedido::UsoIncorreto);
        QTest::newRow("versão curta não existe") << QStringList{QStringLiteral("-v")} << int(Pedido::UsoIncorreto);
        QTest::newRow("ajuda vence erro")
            << QStringList{QStringLiteral("--nada"), QStringLiteral("--help")} << int(Pedido::Ajuda);
    }

    void opcoesDoQtFicamParaOQt()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(int, pedido);
        const OpcoesJanela::Analise analise = OpcoesJanela::analisa(argumentos);
        QCOMPARE(int(analise.pedido), pedido);
        QCOMPARE(analise.erro.isEmpty(), pedido != int(Pedido::UsoIncorreto));
    }
};

QTEST_GUILESS_MAIN(TstOpcoesJanela)
#include "tst_opcoesJanela.moc"
