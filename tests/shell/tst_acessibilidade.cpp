// The main window as a screen reader and the keyboard alone meet it: every
// text it shows is an accessible name or value and announces its changes,
// and every flow runs from the keyboard.
#include "common/Caminhos.h"
#include "shell/ListaArquivos.h"
#include "shell/frmPrincipal.h"

#include "ServidorUpload.h"
#include "support/Acessivel.h"
#include "support/AmbienteTeste.h"
#include "support/Auxiliares.h"
#include "support/CaixasRoteirizadas.h"
#include "support/Controles.h"
#include "transfer/CenarioTransmissao.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace CaixaMensagem;

namespace {

const QString kSucesso = QStringLiteral("A transferência do arquivo foi concluída com sucesso!");

// A fresh installation whose settings point at the reference server, running
// in this process, and a school database ready for "Gerar".
struct Escritorio
{
    explicit Escritorio(int lentoKBs = 0)
        : porta(portasLivres(1))
    {
        ambiente.executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 1, %1)").arg(porta));
        ambiente.copiaDado(QStringLiteral("escola_uma.mdb"), instalacaoAtual().local(Caminhos::bancoEscola()));
        QDir().mkpath(instalacaoAtual().local(Caminhos::pastaPacotes()));
        ConfiguracaoServidor configuracao;
        configuracao.portaInicial = porta;
        configuracao.pasta = recebidos.path();
        configuracao.lentoKBs = lentoKBs;
        servidor = std::make_unique<ServidorUpload>(configuracao);
        if (servidor->inicia() != 1)
            qFatal("the test server cannot listen on %d", porta);
    }

    AmbienteTeste ambiente;
    CaixasRoteirizadas caixas;
    QTemporaryDir recebidos;
    quint16 porta;
    std::unique_ptr<ServidorUpload> servidor;
};

// What the window shows, control by control, as a sighted user reads it.
QMap<QObject *, QString> textosMostrados(frmPrincipal &janela)
{
    montaPaginas(janela);
    QMap<QObject *, QString> textos;
    for (QLabel *label : janela.findChildren<QLabel *>())
        textos[label] = label->text();
    for (QLineEdit *caixa : janela.findChildren<QLineEdit *>())
        textos[caixa] = caixa->text();
    textos[controle<QProgressBar>(janela, "ProgressTransfer")] =
        QString::number(controle<QProgressBar>(janela, "ProgressTransfer")->value());
    textos[rotulo(janela, "imgConexao")] =
        rotulo(janela, "imgConexao")->pixmap().toImage() == rotulo(janela, "imgConectado")->pixmap().toImage()
            ? QStringLiteral("Conectado")
            : QStringLiteral("Desconectado");
    return textos;
}

// Every visible text of the window is the accessible name or value of its control.
void confereTudoExposto(frmPrincipal &janela)
{
    montaPaginas(janela);
    QCOMPARE(nomeAcessivel(&janela), janela.windowTitle());
    for (QLabel *label : janela.findChildren<QLabel *>()) {
        if (!label->isVisible() || label == rotulo(janela, "imgConexao"))
            continue;
        QVERIFY2(nomeAcessivel(label) == label->text() || valorAcessivel(label) == label->text(),
                 qPrintable(label->objectName() + QStringLiteral(" shows \"") + label->text()
                            + QStringLiteral("\", is read as \"") + nomeAcessivel(label) + QLatin1Char('"')));
    }
    for (QLineEdit *caixa : janela.findChildren<QLineEdit *>()) {
        if (caixa->isVisible())
            QCOMPARE(valorAcessivel(caixa), caixa->text());
    }
    for (QAbstractButton *botao : janela.findChildren<QAbstractButton *>()) {
        if (!botao->isVisible())
            continue;
        // A caption of punctuation only ("...") is named in words.
        if (botao->text().contains(QRegularExpression(QStringLiteral("\\w"))))
            QCOMPARE(nomeAcessivel(botao), botao->text());
        else
            QVERIFY2(!nomeAcessivel(botao).isEmpty(), qPrintable(botao->objectName()));
    }
    for (QGroupBox *quadro : janela.findChildren<QGroupBox *>()) {
        if (quadro->isVisible())
            QCOMPARE(nomeAcessivel(quadro), quadro->title());
    }
    QAccessibleInterface *abas = QAccessible::queryAccessibleInterface(controle<QTabWidget>(janela, "SSTab")->tabBar());
    QVERIFY(abas->childCount() >= controle<QTabWidget>(janela, "SSTab")->count()); // and the scroll buttons
    for (int i = 0; i < controle<QTabWidget>(janela, "SSTab")->count(); ++i)
        QCOMPARE(abas->child(i)->text(QAccessible::Name), controle<QTabWidget>(janela, "SSTab")->tabText(i));

    QAccessibleInterface *barra =
        QAccessible::queryAccessibleInterface(controle<QProgressBar>(janela, "ProgressTransfer"));
    QVERIFY(barra->valueInterface());
    QCOMPARE(barra->valueInterface()->currentValue().toInt(),
             controle<QProgressBar>(janela, "ProgressTransfer")->value());
    const QString conexao = textosMostrados(janela).value(rotulo(janela, "imgConexao"));
    QCOMPARE(nomeAcessivel(rotulo(janela, "imgConexao")), conexao);
    QCOMPARE(rotulo(janela, "imgConexao")->toolTip(), conexao);

    if (controle<ListaArquivos>(janela, "File1")->isVisible()) {
        QAccessibleTableInterface *lista =
            QAccessible::queryAccessibleInterface(controle<ListaArquivos>(janela, "File1"))->tableInterface();
        QVERIFY(lista);
        QCOMPARE(lista->rowCount(), controle<ListaArquivos>(janela, "File1")->count());
        for (int i = 0; i < controle<ListaArquivos>(janela, "File1")->count(); ++i)
            QCOMPARE(lista->cellAt(i, 0)->text(QAccessible::Name), controle<ListaArquivos>(janela, "File1")->nome(i));
    }
}

// Every text that changed between two moments raised the event a screen
// reader listens for on its control.
void confereMudancasAnunciadas(const OuvinteAcessivel &ouvinte, const QMap<QObject *, QString> &antes,
                               const QMap<QObject *, QString> &depois)
{
    for (auto it = depois.cbegin(); it != depois.cend(); ++it) {
        if (antes.value(it.key()) == it.value())
            continue;
        QObject *controle = it.key();
        QList<QAccessible::Event> esperados;
        if (qobject_cast<QLineEdit *>(controle))
            esperados = {QAccessible::TextInserted, QAccessible::TextRemoved, QAccessible::TextUpdated};
        else if (qobject_cast<QProgressBar *>(controle))
            esperados = {QAccessible::ValueChanged};
        else
            esperados = {QAccessible::NameChanged};
        bool anunciado = false;
        for (QAccessible::Event tipo : esperados)
            anunciado = anunciado || !ouvinte.de(controle, tipo).isEmpty();
        QVERIFY2(anunciado,
                 qPrintable(controle->objectName() + QStringLiteral(": \"") + antes.value(controle)
                            + QStringLiteral("\" -> \"") + it.value() + QStringLiteral("\" raised no event")));
    }
}

QStringList nomesDe(const QList<OuvinteAcessivel::Evento> &eventos)
{
    QStringList nomes;
    for (const OuvinteAcessivel::Evento &evento : eventos)
        nomes.append(evento.nome);
    return nomes;
}

// Presses a key where the focus is, as the keyboard does.
void tecla(QWidget &janela, Qt::Key chave, Qt::KeyboardModifiers modificadores = Qt::NoModifier)
{
    QWidget *foco = QApplication::focusWidget();
    QTest::keyClick(foco ? foco : &janela, chave, modificadores);
}

// Tabs on until `alvo` has the focus, at most one round of the window; every
// stop on the way must be a visible, enabled control.
bool tabulaAte(QWidget &janela, QWidget *alvo)
{
    for (int passo = 0; passo < 40 && QApplication::focusWidget() != alvo; ++passo) {
        tecla(janela, Qt::Key_Tab);
        const QWidget *foco = QApplication::focusWidget();
        if (!foco || !foco->isVisible() || !foco->isEnabled()) {
            qWarning() << "focus on a control that cannot be seen or used:" << foco;
            return false;
        }
    }
    return QApplication::focusWidget() == alvo;
}

enum class Estado { Repouso, DuranteEnvio, DepoisDeGerar };

} // namespace

class TstAcessibilidade : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textosExpostosEMudancasAnunciadas_data()
    {
        QTest::addColumn<Estado>("estado");
        QTest::newRow("idle") << Estado::Repouso;
        QTest::newRow("during a send") << Estado::DuranteEnvio;
        QTest::newRow("after Gerar") << Estado::DepoisDeGerar;
    }
    void textosExpostosEMudancasAnunciadas()
    {
        QFETCH(Estado, estado);
        // A slow server keeps the send going while the window is looked at.
        Escritorio instalacao(estado == Estado::DuranteEnvio ? 16 : 0);
        OuvinteAcessivel ouvinte;
        frmPrincipal janela(instalacaoAtual());
        // From the built window on (every page built): what changes after, a
        // screen reader hears.
        montaPaginas(janela);
        ouvinte.limpa();
        const QMap<QObject *, QString> inicio = textosMostrados(janela);
        janela.Form_Load();
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));

        if (estado == Estado::Repouso) {
            confereTudoExposto(janela);
            confereMudancasAnunciadas(ouvinte, inicio, textosMostrados(janela));
            QCOMPARE(nomeAcessivel(rotulo(janela, "lblstatus")), QStringLiteral("Status: Desconectado."));
            QCOMPARE(rotulo(janela, "lblstatus")->accessibleDescription(), QStringLiteral("Status"));
            QCOMPARE(nomeAcessivel(rotulo(janela, "imgConexao")), QStringLiteral("Desconectado"));
            QCOMPARE(instalacao.caixas.inesperadas(), 0);
            return;
        }

        QTest::mouseClick(botao(janela, "cmdGerar"), Qt::LeftButton);
        QVERIFY(!janela.pacote().vazio());
        // The zip's progress was read out while it ran.
        const QStringList progresso = nomesDe(ouvinte.de(rotulo(janela, "lblProgresso"), QAccessible::NameChanged));
        QVERIFY2(std::any_of(progresso.cbegin(), progresso.cend(), [](const QString &n) { return !n.isEmpty(); }),
                 qPrintable(progresso.join(QLatin1Char('|'))));
        if (estado == Estado::DepoisDeGerar) {
            QCOMPARE(controle<QTabWidget>(janela, "SSTab")->currentIndex(), 1);
            confereTudoExposto(janela);
            confereMudancasAnunciadas(ouvinte, inicio, textosMostrados(janela));
            QVERIFY(caixaDeTexto(janela, "txtArquivo")->text().startsWith(janela.pacote().nome()));
            QCOMPARE(instalacao.caixas.inesperadas(), 0);
            return;
        }

        // During the send, looked at from a timer of the send's own loop once
        // data went out; the slow server keeps the answer back meanwhile.
        QMap<QObject *, QString> durante;
        bool examinado = false;
        QTimer vigia;
        vigia.setInterval(5);
        connect(&vigia, &QTimer::timeout, this, [&] {
            if (examinado || !janela.transferindo() || controle<QProgressBar>(janela, "ProgressTransfer")->value() == 0)
                return;
            examinado = true;
            confereTudoExposto(janela);
            durante = textosMostrados(janela);
            confereMudancasAnunciadas(ouvinte, inicio, durante);
        });
        vigia.start();
        controle<QRadioButton>(janela, "optTipoTrasmissao_0")->setChecked(true);
        instalacao.caixas.responde(Resposta::Sim);
        instalacao.caixas.confirma();
        QTest::mouseClick(botao(janela, "cmdInternet"), Qt::LeftButton);
        vigia.stop();
        QVERIFY(!janela.transferindo());
        QVERIFY(examinado);
        QCOMPARE(durante.value(rotulo(janela, "imgConexao")), QStringLiteral("Conectado"));
        QVERIFY(durante.value(rotulo(janela, "lblsendingfile")).startsWith(QStringLiteral("Enviando Arquivo...")));
        QCOMPARE(instalacao.caixas.textos().last(), kSucesso);

        // What a screen reader heard of the send, in order: the file, the
        // steps of the status line, the light going on and off.
        const QStringList arquivo = nomesDe(ouvinte.de(rotulo(janela, "lblsendingfile"), QAccessible::NameChanged));
        QVERIFY(arquivo.contains(QStringLiteral("Enviando Arquivo...") + janela.pacote().nome()));
        const QStringList status = nomesDe(ouvinte.de(rotulo(janela, "lblstatus"), QAccessible::NameChanged));
        QVERIFY(status.contains(QStringLiteral("Status: Conectado! Iniciando a Transferência...")));
        QVERIFY2(std::any_of(status.cbegin(), status.cend(),
                             [](const QString &n) { return n.contains(QStringLiteral("% Completo")); }),
                 qPrintable(status.join(QLatin1Char('|'))));
        // Announced only when the text really changed.
        for (int i = 1; i < status.size(); ++i)
            QVERIFY2(status.at(i) != status.at(i - 1), qPrintable(status.join(QLatin1Char('|'))));
        QCOMPARE(nomesDe(ouvinte.de(rotulo(janela, "imgConexao"), QAccessible::NameChanged)),
                 (QStringList{QStringLiteral("Conectado"), QStringLiteral("Desconectado")}));
        QVERIFY(!ouvinte.de(controle<QProgressBar>(janela, "ProgressTransfer"), QAccessible::ValueChanged).isEmpty());
        confereTudoExposto(janela);
        QCOMPARE(instalacao.caixas.inesperadas(), 0);
    }

    void gerarEInternetSoPeloTeclado()
    {
        Escritorio instalacao;
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        janela.show();
        janela.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&janela));

        QVERIFY(tabulaAte(janela, botao(janela, "cmdGerar")));
        tecla(janela, Qt::Key_Return);
        QVERIFY(!janela.pacote().vazio());
        QCOMPARE(controle<QTabWidget>(janela, "SSTab")->currentIndex(), 1);

        // The type: its stop, an arrow to the annual one and back, Space.
        QVERIFY(tabulaAte(janela, controle<QRadioButton>(janela, "optTipoTrasmissao_0")));
        tecla(janela, Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget(), controle<QRadioButton>(janela, "optTipoTrasmissao_1"));
        tecla(janela, Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), controle<QRadioButton>(janela, "optTipoTrasmissao_0"));
        tecla(janela, Qt::Key_Space);
        QVERIFY(controle<QRadioButton>(janela, "optTipoTrasmissao_0")->isChecked());

        QWidget *focoDuranteOEnvio = nullptr;
        connect(instalacao.servidor.get(), &ServidorUpload::pedidoRecebido, this,
                [&] { focoDuranteOEnvio = QApplication::focusWidget(); });
        QString recebido;
        connect(instalacao.servidor.get(), &ServidorUpload::arquivoRecebido, this,
                [&](const QString &caminho) { recebido = caminho; });
        instalacao.caixas.responde(Resposta::Sim);
        instalacao.caixas.confirma();
        QVERIFY(tabulaAte(janela, botao(janela, "cmdInternet")));
        tecla(janela, Qt::Key_Return);

        QCOMPARE(instalacao.caixas.mostradas().size(), 2);
        QCOMPARE(instalacao.caixas.mostradas().at(0).botoes, Botoes::SimNao);
        QVERIFY(caixaIgual(instalacao.caixas.mostradas().at(1), kSucesso, QStringLiteral("Transferência OK!"),
                           Botoes::Ok, Icone::Informacao));
        // While the package went, the focus stood on "Cancelar", ready for a key.
        QCOMPARE(focoDuranteOEnvio, botao(janela, "cmdCancelar"));
        QTRY_VERIFY_WITH_TIMEOUT(!recebido.isEmpty(), 5000);
        QCOMPARE(le(recebido), le(instalacaoAtual().local(caixaDeTexto(janela, "txtCaminhoArquivo")->text())));
        QCOMPARE(instalacao.ambiente.valor(QStringLiteral("select count(*) from Historico")), QStringLiteral("1"));
        QCOMPARE(instalacao.caixas.inesperadas(), 0);
    }

    void tabNaOrdemVisualEAbasDeQualquerLugar()
    {
        Escritorio instalacao;
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        janela.HabilitaBotoesEnvio();
        janela.show();
        janela.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&janela));
        // The two types are one stop (the arrows move between them); the tab
        // control's stop is its row of tabs.
        const QList<QWidget *> topo = {caixaDeTexto(janela, "txtCodigoSRE"),
                                       caixaDeTexto(janela, "txtSRE"),
                                       caixaDeTexto(janela, "txtCodigoEscola"),
                                       caixaDeTexto(janela, "txtEscola"),
                                       caixaDeTexto(janela, "txtArquivo"),
                                       controle<QRadioButton>(janela, "optTipoTrasmissao_0"),
                                       controle<QTabWidget>(janela, "SSTab")->tabBar()};
        const QList<QList<QWidget *>> abas = {{botao(janela, "cmdGerar")},
                                              {caixaDeTexto(janela, "txtCaminhoArquivo"), botao(janela, "cmdProcurar"),
                                               controle<ListaArquivos>(janela, "File1"),
                                               botao(janela, "CancelaArquivo"), botao(janela, "cmdInternet"),
                                               botao(janela, "cmdDisquete")},
                                              {botao(janela, "cmdTransmitir"), botao(janela, "cmdCancelar")}};
        for (int aba = 0; aba < 3; ++aba) {
            controle<QTabWidget>(janela, "SSTab")->setCurrentIndex(aba);
            caixaDeTexto(janela, "txtCodigoSRE")->setFocus();
            const QList<QWidget *> esperada =
                topo + abas.at(aba) + QList<QWidget *>{caixaDeTexto(janela, "txtCodigoSRE")};
            for (int i = 1; i < esperada.size(); ++i) {
                tecla(janela, Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), esperada.at(i));
            }
        }

        // The pages turn from a box above them, the page's tab taking the focus.
        const QList<QKeyCombination> teclas = {
            QKeyCombination(Qt::ControlModifier, Qt::Key_Tab), QKeyCombination(Qt::ControlModifier, Qt::Key_PageDown),
            QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Backtab),
            QKeyCombination(Qt::ControlModifier, Qt::Key_PageUp)};
        const int esperadas[] = {0, 1, 0, 2};
        controle<QTabWidget>(janela, "SSTab")->setCurrentIndex(2);
        for (int i = 0; i < teclas.size(); ++i) {
            caixaDeTexto(janela, "txtArquivo")->setFocus();
            tecla(janela, teclas.at(i).key(), teclas.at(i).keyboardModifiers());
            QCOMPARE(controle<QTabWidget>(janela, "SSTab")->currentIndex(), esperadas[i]);
            QCOMPARE(QApplication::focusWidget(), controle<QTabWidget>(janela, "SSTab")->tabBar());
        }
        QCOMPARE(instalacao.caixas.inesperadas(), 0);
    }

    void legendasCabemComAFonteDoSistemaA150PorCento()
    {
        const FonteAumentada fonte;
        Escritorio instalacao;
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        janela.HabilitaBotoesEnvio();
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));
        for (int aba = 0; aba < 3; ++aba) {
            controle<QTabWidget>(janela, "SSTab")->setCurrentIndex(aba);
            QCOMPARE(botao(janela, "cmdGerar")->font().pointSizeF(), fonte.grande().pointSizeF());
            const QStringList cortadas = legendasCortadas(&janela);
            QVERIFY2(cortadas.isEmpty(), qPrintable(cortadas.join(QStringLiteral(", "))));
        }
        QCOMPARE(instalacao.caixas.inesperadas(), 0);
    }
};

QTEST_MAIN(TstAcessibilidade)
#include "tst_acessibilidade.moc"
