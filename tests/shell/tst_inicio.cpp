// Starting the program: an office coming from the former client keeps its
// settings, its sends and its office names; a conversion that fails or a
// database that cannot be written never reports a change as saved; one
// client at a time per program folder.
#include "common/Relogio.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "history/RelatorioHistorico.h"
#include "history/gui/TextoMultilinha.h"
#include "history/gui/frmHistorico.h"
#include "shell/Inicio.h"
#include "shell/frmPrincipal.h"
#include "store/Configuracao.h"
#include "store/Provisionamento.h"
#include "store/gui/frmConfiguracao.h"
#include "transfer/RegistroEnvio.h"

#include "support/AmbienteTeste.h"
#include "support/Auxiliares.h"
#include "support/CaixasRoteirizadas.h"
#include "support/Controles.h"
#include "support/SistemaTeste.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QToolButton>

#include <cerrno>

using namespace CaixaMensagem;

namespace {

const QString kSucessoSalvar = QStringLiteral("Alterações realizadas com sucesso!");
const QString kErroSalvar =
    QStringLiteral("Ocorreu um erro ao salvar as configurações.\r\n"
                   "Tente novamente. Caso o erro persista entre em contato com o suporte do TAVO.");

// Saves the settings window with the fourth address part changed.
void salvaQuartaParte(CaixasRoteirizadas &caixas, const QString &parte)
{
    frmConfiguracao janela(instalacaoAtual());
    auto *quarta = janela.findChild<QLineEdit *>(QStringLiteral("Iparray_3"));
    quarta->clear();
    QTest::keyClicks(quarta, parte);
    caixas.responde(Resposta::Sim);
    caixas.confirma();
    QTest::mouseClick(janela.findChild<QPushButton *>(QStringLiteral("cmdConfirmar")), Qt::LeftButton);
}

} // namespace

class TstInicio : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }
    void init() { Relogio::fixa(QDateTime(QDate(2026, 11, 30), QTime(10, 0))); }
    void cleanup() { Relogio::fixa({}); }

    void escritorioDoClienteAnteriorContinuaDeOndeParou_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QStringList>("tipos"); // of the three November sends, newest first
        QTest::newRow("Historico sem tipo (sobe de versão)")
            << QStringLiteral("legado_uploadcliente_antigo.mdb")
            << QStringList{QStringLiteral("ANUAL"), QStringLiteral("ANUAL"), QStringLiteral("ANUAL")};
        QTest::newRow("Historico com tipo")
            << QStringLiteral("legado_uploadcliente_novo.mdb")
            << QStringList{QStringLiteral("ANUAL"), QStringLiteral("PERIO"), QStringLiteral("PERIO")};
    }
    void escritorioDoClienteAnteriorContinuaDeOndeParou()
    {
        QFETCH(QString, fixture);
        QFETCH(QStringList, tipos);
        AmbienteTeste ambiente(false);
        ambiente.copiaDado(fixture, ambiente.bancoLocal());
        CaixasRoteirizadas caixas;
        {
            Inicio inicio;
            QVERIFY(inicio.prepara(instalacaoAtual()));
            frmPrincipal janela(instalacaoAtual());
            janela.Form_Load();
            QCOMPARE(caixas.mostradas().size(), 0); // no greeting: the office has its settings
            QCOMPARE(janela.configuracao().IpServidor, QStringLiteral("127.0.0.40"));
            QCOMPARE(janela.configuracao().QtdePortas, 3);
            QCOMPARE(janela.configuracao().PortaInicial, 5000);

            salvaQuartaParte(caixas, QStringLiteral("41"));
            QCOMPARE(caixas.textos().last(), kSucessoSalvar);

            frmHistorico historico(instalacaoAtual(), &janela);
            const QString relatorio = controle<TextoMultilinha>(historico, "txtHistorico")->text();
            QVERIFY(relatorio.contains(RelatorioHistorico::linha(
                QStringLiteral("28/11/2026 08:00:00"), QStringLiteral("SSRE DE VALE VERDE"), QStringLiteral("31045678"),
                QStringLiteral("DADOS_31045678_28112026.zip"), tipos.at(0))));
            QVERIFY(relatorio.contains(RelatorioHistorico::linha(
                QStringLiteral("10/11/2026 09:30:00"), QStringLiteral("SSRE DE PORTO ALEGRE DO NORTE 5"),
                QStringLiteral("31099999"), QStringLiteral("DADOS_31099999_10112026.zip"), tipos.at(1))));
            QVERIFY(relatorio.contains(RelatorioHistorico::linha(
                QStringLiteral("05/11/2026 14:03:09"), QStringLiteral("SSRE DE VALE VERDE"), QStringLiteral("31045678"),
                QStringLiteral("DADOS_31045678_05112026.zip"), tipos.at(2))));
            QVERIFY(relatorio.endsWith(QStringLiteral("TOTAL: 0003 ARQUIVOS")));

            RegistraEnvio(instalacaoAtual(), {QStringLiteral("DADOS_31045678_30112026.zip"), QStringLiteral("114"),
                                              QStringLiteral("31045678"), QStringLiteral("PERIO")});
        }
        // The next start: the saved settings and the new send are there.
        Inicio inicio;
        QVERIFY(inicio.prepara(instalacaoAtual()));
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        QCOMPARE(janela.configuracao().IpServidor, QStringLiteral("127.0.0.41"));
        frmHistorico historico(instalacaoAtual(), &janela);
        QVERIFY(controle<TextoMultilinha>(historico, "txtHistorico")
                    ->text()
                    .contains(RelatorioHistorico::linha(
                        QStringLiteral("30/11/2026 10:00:00"), QStringLiteral("SSRE DE VALE VERDE"),
                        QStringLiteral("31045678"), QStringLiteral("DADOS_31045678_30112026.zip"),
                        QStringLiteral("PERIO"))));
        QVERIFY(controle<TextoMultilinha>(historico, "txtHistorico")
                    ->text()
                    .endsWith(QStringLiteral("TOTAL: 0004 ARQUIVOS")));
        QCOMPARE(caixas.inesperadas(), 0);
        QCOMPARE(le(ambiente.bancoLocal() + QStringLiteral(".access")), le(AmbienteTeste::dado(fixture)));
    }

    void conversaoQueFalhaAvisaENadaSeDizGravado()
    {
        AmbienteTeste ambiente(false);
        // A damaged file whose history cannot be read whole (a page of it zeroed).
        QByteArray original = le(AmbienteTeste::dado(QStringLiteral("legado_uploadcliente_antigo.mdb")));
        original.replace(34 * 4096, 4096, QByteArray(4096, '\0'));
        grava(ambiente.bancoLocal(), original);
        CaixasRoteirizadas caixas;
        caixas.confirma();
        Inicio inicio;
        QVERIFY(inicio.prepara(instalacaoAtual()));
        QCOMPARE(caixas.mostradas().size(), 1);
        const Registro aviso = caixas.mostradas().first();
        QVERIFY(aviso.texto.startsWith(
            QStringLiteral("Não foi possível converter o banco de dados local \"%1\"").arg(ambiente.bancoLocal())));
        QVERIFY2(aviso.texto.contains(QStringLiteral("a tabela Historico declara 4 linhas; 0 puderam ser lidas")),
                 qPrintable(aviso.texto));
        QCOMPARE(aviso.titulo, QStringLiteral("TAVO"));
        QCOMPARE(aviso.icone, Icone::Critico);

        // The window opens and reads what it can.
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        QCOMPARE(caixas.mostradas().size(), 1);
        QCOMPARE(janela.configuracao().IpServidor, QStringLiteral("127.0.0.40"));
        // No write is reported as done: the save ends in its error, the
        // history's upgrade in the refresh error, the recording raises.
        salvaQuartaParte(caixas, QStringLiteral("41"));
        QCOMPARE(caixas.textos().size(), 3);
        QCOMPARE(caixas.textos().at(2), kErroSalvar);
        caixas.confirma(2);
        frmHistorico historico(instalacaoAtual(), &janela);
        QCOMPARE(caixas.mostradas().size(), 5);
        QVERIFY(caixas.textos().at(3).startsWith(QStringLiteral("Ocorreu um erro ao gerar o histórico.")));
        QVERIFY(numeroDoErro([] {
                    RegistraEnvio(instalacaoAtual(), {QStringLiteral("x.zip"), QStringLiteral("114"),
                                                      QStringLiteral("31045678"), QStringLiteral("PERIO")});
                })
                != 0);
        QCOMPARE(caixas.inesperadas(), 0);
        QCOMPARE(le(ambiente.bancoLocal()), original);
        QVERIFY(!QFileInfo::exists(ambiente.bancoLocal() + QStringLiteral(".access")));
    }

    // A folder that can be written but holds no lock (a folder in the
    // lock's place) would let clients convert and empty files at once: the
    // program does not start, and converts nothing.
    void travaQueNaoPodeSerUsadaImpedeOInicio()
    {
        AmbienteTeste ambiente(false);
        ambiente.copiaDado(QStringLiteral("legado_uploadcliente_novo.mdb"), ambiente.bancoLocal());
        const QString trava = instalacaoAtual().pastaPrograma() + QStringLiteral("/tavo-upload.lock");
        QVERIFY(QDir().mkpath(trava));
        CaixasRoteirizadas caixas;
        caixas.confirma();
        Inicio inicio;
        QVERIFY(!inicio.prepara(instalacaoAtual()));
        QCOMPARE(caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(caixas.mostradas().first(),
                           QStringLiteral("Não foi possível usar a trava \"%1\": %2.")
                               .arg(trava, PlataformaArquivos::textoDoSistema(
                                               // Windows opens no folder as a file: access denied.
                                               SistemaTeste::windows() ? EACCES : EISDIR)),
                           QStringLiteral("TAVO"), Botoes::Ok, Icone::Critico));
        QCOMPARE(le(ambiente.bancoLocal()), le(AmbienteTeste::dado(QStringLiteral("legado_uploadcliente_novo.mdb"))));
    }

    void pastaSomenteLeituraAbreMasNaoDizGravado()
    {
        AmbienteTeste ambiente(false);
        const QString pasta = ambiente.raiz() + QStringLiteral("/somente_leitura");
        QVERIFY(QDir().mkpath(pasta));
        if (!SistemaTeste::montaPequena(pasta, "4m"))
            QSKIP("mounting a tmpfs needs root on Linux");
        struct Desmonta
        {
            QString pasta;
            ~Desmonta() { SistemaTeste::desmonta(pasta); }
        } desmonta{pasta};
        qputenv("TAVO_ROOT", QFile::encodeName(pasta));
        garanteBancoLocal(instalacaoAtual());
        ambiente.executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
        QVERIFY(SistemaTeste::remontaSomenteLeitura(pasta));

        CaixasRoteirizadas caixas;
        Inicio inicio;
        QVERIFY(inicio.prepara(instalacaoAtual())); // no lock can be made there: the client runs all the same
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        QCOMPARE(caixas.mostradas().size(), 0);
        QCOMPARE(janela.configuracao().PortaInicial, 47000);
        salvaQuartaParte(caixas, QStringLiteral("9"));
        QCOMPARE(caixas.textos().last(), kErroSalvar);
        QCOMPARE(caixas.inesperadas(), 0);
    }

    void umClientePorPastaETravaAbandonadaEhRetomada()
    {
        AmbienteTeste ambiente;
        CaixasRoteirizadas caixas;
        caixas.confirma();
        {
            Inicio primeiro;
            QVERIFY(primeiro.prepara(instalacaoAtual()));
            Inicio segundo;
            QVERIFY(!segundo.prepara(instalacaoAtual()));
            QCOMPARE(caixas.mostradas().size(), 1);
            QVERIFY(caixaIgual(caixas.mostradas().first(), QStringLiteral("O TAVO - Upload já está aberto."),
                               QStringLiteral("TAVO"), Botoes::Ok, Icone::Informacao));
        }
        // A client that ended without letting go: its lock names a process
        // that is gone.
        const QString trava = instalacaoAtual().pastaPrograma() + QStringLiteral("/tavo-upload.lock");
        QByteArray conteudo;
        {
            Inicio encerrado;
            QVERIFY(encerrado.prepara(instalacaoAtual()));
            conteudo = le(trava);
        }
        QProcess processo;
        // A process that ends at once: this program, asked for its help.
        processo.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-help")});
        QVERIFY(processo.waitForStarted(5000));
        const qint64 morto = processo.processId();
        QVERIFY(processo.waitForFinished(5000));
        // A lock left empty (a power failure as it was written) is no client
        // either, nor one naming a process alive (its number given to
        // another since) that holds nothing.
        const QByteArray resto = conteudo.mid(conteudo.indexOf('\n'));
        for (const QByteArray &deixado :
             QList<QByteArray>{QByteArray::number(morto) + resto,
                               {},
                               QByteArray::number(QCoreApplication::applicationPid()) + resto}) {
            grava(trava, deixado);
            Inicio seguinte;
            QVERIFY(seguinte.prepara(instalacaoAtual()));
        }
        QCOMPARE(caixas.mostradas().size(), 1);
    }

    // A path variable that is no path: the start ends with a box naming it.
    void variavelQueNaoEhCaminhoEncerraComAviso()
    {
        if (!SistemaTeste::ambienteEmBytes())
            QSKIP("Windows' environment holds UTF-16 text: every value is text");
        AmbienteTeste ambiente(false);
        CaixasRoteirizadas caixas;
        caixas.confirma();
        QVERIFY(Inicio::carregaInstalacao());
        qputenv("TAVO_DRIVE_A", "/media/pen\xe7");
        const QString texto = QStringLiteral(
            "A variável de ambiente TAVO_DRIVE_A contém um caminho que não pode ser usado: /media/pen\\xE7.");
        QTest::ignoreMessage(QtCriticalMsg,
                             qPrintable(QStringLiteral("Start refused, a path variable cannot be used: ") + texto));
        QVERIFY(!Inicio::carregaInstalacao());
        QCOMPARE(caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(caixas.mostradas().first(), texto, QStringLiteral("TAVO"), Botoes::Ok, Icone::Critico));
    }

    // The window's style reads the menu bar's extension picture only when it
    // is drawn, and draws the style's own picture when the menus do not fit.
    void extensaoDoMenuDesenhadaQuandoOsMenusNaoCabem()
    {
        AmbienteTeste ambiente;
        const AmbienteJanela aplicacao(instalacaoAtual());
        QMainWindow janela;
        for (int i = 0; i < 12; ++i)
            janela.menuBar()->addAction(QStringLiteral("Menu comprido %1").arg(i));
        janela.resize(160, 120);
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));
        auto *extensao = janela.menuBar()->findChild<QToolButton *>(QStringLiteral("qt_menubar_ext_button"));
        QVERIFY(extensao);
        QTRY_VERIFY(extensao->isVisible());
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        const QImage esperada =
            fusion->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton).pixmap(QSize(16, 16)).toImage();
        QVERIFY(!esperada.isNull());
        QCOMPARE(extensao->icon().pixmap(QSize(16, 16)).toImage(), esperada);
    }
};

QTEST_MAIN(TstInicio)
#include "tst_inicio.moc"
