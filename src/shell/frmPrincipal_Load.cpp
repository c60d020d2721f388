// Start-up of the main window and the wiring of its controls to the handlers
// of each subsystem.
#include "shell/frmPrincipal.h"

#include "common/Erro.h"
#include "common/Log.h"
#include "common/gui/Acessibilidade.h"
#include "history/gui/frmHistorico.h"
#include "shell/AbaSobDemanda.h"
#include "shell/ListaArquivos.h"
#include "store/Configuracao.h"
#include "store/PastaPrograma.h"
#include "store/gui/frmConfiguracao.h"
#include "transfer/SessaoTransferencia.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

void frmPrincipal::Form_Load()
{
    InicializaZip(txtZip);
    SSTab->setCurrentIndex(0);
    // The two lines are emptied now on a page already built, else when
    // their page is.
    m_linhasEsvaziadas = true;
    if (m_abaTransmissao->montada())
        Acessibilidade::mostraTexto(lblsendingfile, QString());
    if (m_abaEnviar->montada())
        Acessibilidade::mostraTexto(lblMensagem, QString());
    DesabilitaBotoesEnvio();
    // The settings load ("P"), the console's too. The load has no error
    // handling of its own for the local database; a database that cannot be
    // read is reported once and the window opens all the same, with empty
    // settings.
    if (!CarregaConfiguracaoInicio(m_configuracao, m_instalacao, m_caixas))
        return;
    // A proxy password in a file others can read is the user's to mend: the
    // console refuses to run; the window says so at every start, and a send
    // goes without that password (the load logged it as ignored).
    const QString senhaRecusada = m_instalacao.opcoesTransferencia().senhaRecusada;
    if (!senhaRecusada.isEmpty())
        m_caixas.avisa(senhaRecusada, Mensagens::Icone::Critico, QStringLiteral("Configurações"));
    // The office names only decorate the history report: their refresh (a
    // write per office) need not hold the window back. It runs once the
    // window is on the screen, and before the window handles any input of
    // the user, which waits for it in eventFilter.
    m_escritoriosPendentes = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void frmPrincipal::atualizaEscritorios()
{
    if (!m_escritoriosPendentes)
        return;
    m_escritoriosPendentes = false;
    QCoreApplication::instance()->removeEventFilter(this);
    AtualizaEscritorios(m_instalacao);
}

namespace {

// What the user does to the program: the events its windows take as input.
bool entradaDoUsuario(QObject *alvo, const QEvent *evento, const QWidget *janela)
{
    switch (evento->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return true;
    case QEvent::Close:
        // The window's own close button.
        return alvo == janela;
    default:
        return false;
    }
}

} // namespace

bool frmPrincipal::event(QEvent *evento)
{
    // The first paint: the refresh comes right after it.
    if (evento->type() == QEvent::Paint && m_escritoriosPendentes && !m_escritoriosAgendados) {
        m_escritoriosAgendados = true;
        QMetaObject::invokeMethod(this, &frmPrincipal::atualizaEscritorios, Qt::QueuedConnection);
    }
    return QMainWindow::event(evento);
}

bool frmPrincipal::eventFilter(QObject *alvo, QEvent *evento)
{
    // Input that comes before the refresh ran waits for it: the refresh runs
    // first, then the input goes on to its widget.
    if (m_escritoriosPendentes && entradaDoUsuario(alvo, evento, this))
        atualizaEscritorios();
    return QMainWindow::eventFilter(alvo, evento);
}

void frmPrincipal::conectaEventos()
{
    connect(mnuArquivo, &QAction::triggered, this, &frmPrincipal::mnuArquivo_Click);
    connect(mnuHistorico, &QAction::triggered, this, &frmPrincipal::mnuHistorico_Click);
    connect(mnuSair, &QAction::triggered, this, &frmPrincipal::mnuSair_Click);
    connect(cmdGerar, &QPushButton::clicked, this, &frmPrincipal::cmdGerar_Click);
    connect(txtZip, &QLineEdit::textChanged, this, &frmPrincipal::txtZip_Change);
    // (The buttons of the other two pages are wired as their page is built.)
    // What the transfer session reports, shown on the "Transmissão" tab,
    // built first if it was not yet. A status shows at once, also while the
    // session waits for a connection.
    connect(m_sessao, &SessaoTransferencia::status, this, [this](const QString &texto) {
        m_abaTransmissao->monta();
        Acessibilidade::mostraTexto(lblstatus, texto);
        lblstatus->repaint();
    });
    connect(m_sessao, &SessaoTransferencia::arquivoEmEnvio, this, [this](const QString &texto) {
        m_abaTransmissao->monta();
        Acessibilidade::mostraTexto(lblsendingfile, texto);
    });
    connect(m_sessao, &SessaoTransferencia::progresso, this, [this](int valor) {
        m_abaTransmissao->monta();
        ProgressTransfer->setValue(valor);
    });
    connect(m_sessao, &SessaoTransferencia::conexao, this, [this](bool conectado) {
        m_abaTransmissao->monta();
        mostraConexao(conectado);
    });
}

void frmPrincipal::mnuArquivo_Click()
{
    frmConfiguracao janela(m_instalacao, this);
    // What the settings window saves or reads back is in use at once: the
    // server and its ports. The bounds and the proxy are the site
    // configuration's, loaded at the start, and stay.
    connect(&janela, &frmConfiguracao::configuracaoEmUso, this, [this](const ConfiguracaoCliente &configuracao) {
        m_configuracao.IpServidor = configuracao.IpServidor;
        m_configuracao.QtdePortas = configuracao.QtdePortas;
        m_configuracao.PortaInicial = configuracao.PortaInicial;
    });
    janela.exec();
}

void frmPrincipal::mnuHistorico_Click()
{
    frmHistorico janela(m_instalacao, this);
    janela.exec();
}
