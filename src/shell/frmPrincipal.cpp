#include "shell/frmPrincipal.h"

#include "common/Aplicacao.h"
#include "common/gui/Acessibilidade.h"
#include "common/gui/CaixaMensagem.h"
#include "common/gui/Figuras.h"
#include "shell/AbaSobDemanda.h"
#include "shell/ListaArquivos.h"
#include "transfer/ControleSocket.h"
#include "transfer/SessaoTransferencia.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Holds a one-line label whose text changes many times a second (the zip
// progress, the transfer status) without a layout of its own: the label just
// fills it. A label placed in a layout asks for a new layout at every text,
// and the tab widget above answers each such request by repainting itself
// whole, which made the progress of a zip job cost more than a tenth of the
// job and cut a transfer's speed twentyfold.
class SuporteDeLinha : public QWidget
{
public:
    explicit SuporteDeLinha(QLabel *linha)
        : m_linha(linha)
    {
        linha->setParent(this);
        // Painting its own background, the line repaints without the frame
        // and the box title beneath it.
        linha->setAutoFillBackground(true);
        setFixedHeight(linha->fontMetrics().height() + 4);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void resizeEvent(QResizeEvent *evento) override
    {
        QWidget::resizeEvent(evento);
        m_linha->setGeometry(rect());
    }

private:
    QLabel *m_linha;
};

template <typename W> W *nomeado(W *widget, const char *nome, const QString &nomeAcessivel = {})
{
    widget->setObjectName(QLatin1String(nome));
    if (!nomeAcessivel.isEmpty())
        widget->setAccessibleName(nomeAcessivel);
    return widget;
}

QLabel *rotulo(const char *nome, const QString &texto)
{
    auto *label = nomeado(new QLabel(texto), nome, texto);
    return label;
}

// A label whose text changes as the jobs go on: the text is what is read.
QLabel *linhaDeConteudo(const char *nome, const QString &texto, const QString &descricao)
{
    auto *label = nomeado(new QLabel(texto), nome);
    Acessibilidade::linhaDeConteudo(label, descricao);
    return label;
}

QPushButton *botao(const char *nome, const QString &texto, const char *figura)
{
    auto *b = nomeado(new QPushButton(texto), nome, texto);
    b->setIcon(Figuras::figura(figura));
    b->setMinimumHeight(32);
    Acessibilidade::ativaComEnter(b);
    return b;
}

QLineEdit *caixa(const char *nome, const QString &nomeAcessivel)
{
    return nomeado(new QLineEdit, nome, nomeAcessivel);
}

QFrame *linhaDecorativa()
{
    auto *linha = new QFrame;
    linha->setFrameShape(QFrame::HLine);
    linha->setFrameShadow(QFrame::Sunken);
    return linha;
}

} // namespace

frmPrincipal::frmPrincipal(Instalacao instalacao, QWidget *parent)
    : QMainWindow(parent)
    , m_instalacao(std::move(instalacao))
    , m_sessao(new SessaoTransferencia(m_instalacao, m_caixas, this))
{
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(Aplicacao::legendaJanela());

    auto *centro = new QWidget;
    auto *coluna = new QVBoxLayout(centro);
    setCentralWidget(centro);
    montaDadosDoArquivo(centro);
    montaTipoTransmissao(centro);
    montaAbas(centro);
    coluna->addWidget(Frame5);
    coluna->addWidget(frmTipoTrasmicao);
    coluna->addWidget(SSTab, 1);
    montaMenu();
    montaAtalhos();
    WindowsSocket = &m_sessao->socket();
    WindowsSocket->setObjectName(QStringLiteral("WindowsSocket"));
    conectaEventos();
    resize(560, 520);
}

frmPrincipal::~frmPrincipal() = default;

void frmPrincipal::montaDadosDoArquivo(QWidget *centro)
{
    Frame5 = nomeado(new QGroupBox(QStringLiteral("Dados do Arquivo"), centro), "Frame5");
    auto *grade = new QGridLayout(Frame5);
    Label4 = rotulo("Label4", QStringLiteral("Subsecretaria:"));
    txtCodigoSRE = caixa("txtCodigoSRE", QStringLiteral("Código da subsecretaria"));
    txtSRE = caixa("txtSRE", QStringLiteral("Subsecretaria"));
    Label3 = rotulo("Label3", QStringLiteral("Escola:"));
    txtCodigoEscola = caixa("txtCodigoEscola", QStringLiteral("Código da escola"));
    txtEscola = caixa("txtEscola", QStringLiteral("Escola"));
    Label2 = rotulo("Label2", QStringLiteral("Arquivo:"));
    txtArquivo = caixa("txtArquivo", QStringLiteral("Arquivo"));
    for (QLineEdit *codigo : {txtCodigoSRE, txtCodigoEscola})
        codigo->setMaximumWidth(90);

    grade->addWidget(Label4, 0, 0);
    grade->addWidget(txtCodigoSRE, 0, 1);
    grade->addWidget(txtSRE, 0, 2);
    grade->addWidget(Label3, 1, 0);
    grade->addWidget(txtCodigoEscola, 1, 1);
    grade->addWidget(txtEscola, 1, 2);
    grade->addWidget(Label2, 2, 0);
    grade->addWidget(txtArquivo, 2, 1, 1, 2);
}

void frmPrincipal::montaTipoTransmissao(QWidget *centro)
{
    frmTipoTrasmicao = nomeado(new QGroupBox(QStringLiteral("Tipo de transmissão"), centro), "frmTipoTrasmicao");
    auto *linha = new QHBoxLayout(frmTipoTrasmicao);
    optTipoTrasmissao[0] = nomeado(new QRadioButton(QStringLiteral("Manutenção Periódica")), "optTipoTrasmissao_0",
                                   QStringLiteral("Manutenção Periódica"));
    optTipoTrasmissao[1] = nomeado(new QRadioButton(QStringLiteral("Manutenção Anual (após fechamento do ano)")),
                                   "optTipoTrasmissao_1", QStringLiteral("Manutenção Anual (após fechamento do ano)"));
    linha->addWidget(optTipoTrasmissao[0]);
    linha->addWidget(optTipoTrasmissao[1]);
    linha->addStretch();
}

void frmPrincipal::montaAbas(QWidget *centro)
{
    SSTab = nomeado(new QTabWidget(centro), "SSTab");
    // The page shown at start is built with the window; the other two when
    // first shown, or sooner when a job needs their controls (garanteAbas).
    Frame4 = nomeado(new QWidget, "Frame4");
    montaAbaGerar(Frame4);
    SSTab->addTab(Frame4, QStringLiteral("Gerar Arquivo"));
    m_abaEnviar = new AbaSobDemanda([this](QWidget *pagina) { montaAbaEnviar(pagina); });
    SSTab->addTab(m_abaEnviar, QStringLiteral("Enviar Arquivo"));
    m_abaTransmissao = new AbaSobDemanda([this](QWidget *pagina) { montaAbaTransmissao(pagina); });
    SSTab->addTab(m_abaTransmissao, QStringLiteral("Transmissão"));
}

void frmPrincipal::garanteAbas()
{
    m_abaEnviar->monta();
    m_abaTransmissao->monta();
}

// Tab 0, "Gerar Arquivo"
void frmPrincipal::montaAbaGerar(QWidget *pagina)
{
    auto *coluna = new QVBoxLayout(pagina);
    txtZip = caixa("txtZip", QStringLiteral("Progresso interno da compactação"));
    txtZip->setText(
        QStringLiteral("Esta TextBox é usado internamente pelo AddZip, podendo fica escondida do usuário."));
    txtZip->hide();
    cmdGerar = botao("cmdGerar", QStringLiteral("Gerar"), "gerar");
    lblAguarde = rotulo("lblAguarde", QStringLiteral("Aguarde..."));
    lblAguarde->hide();
    lblProgresso = linhaDeConteudo("lblProgresso", QString(), QStringLiteral("Progresso"));
    coluna->addWidget(linhaDecorativa());
    coluna->addWidget(cmdGerar, 0, Qt::AlignHCenter);
    coluna->addWidget(lblAguarde, 0, Qt::AlignHCenter);
    coluna->addWidget(new SuporteDeLinha(lblProgresso));
    coluna->addWidget(txtZip);
    coluna->addWidget(linhaDecorativa());
    coluna->addStretch();
}

// Tab 1, "Enviar Arquivo"
void frmPrincipal::montaAbaEnviar(QWidget *pagina)
{
    auto *fora = new QVBoxLayout(pagina);
    Frame1 = nomeado(new QGroupBox(QStringLiteral("Caminho do Arquivo")), "Frame1");
    fora->addWidget(Frame1);
    auto *grade = new QGridLayout(Frame1);
    txtCaminhoArquivo = caixa("txtCaminhoArquivo", QStringLiteral("Caminho do arquivo"));
    cmdProcurar = nomeado(new QPushButton(QStringLiteral("...")), "cmdProcurar", QStringLiteral("Procurar arquivo"));
    cmdProcurar->setToolTip(QStringLiteral("Procurar arquivo"));
    Acessibilidade::ativaComEnter(cmdProcurar);
    File1 = nomeado(new ListaArquivos(m_instalacao), "File1", QStringLiteral("Arquivos da pasta de trabalho"));
    CancelaArquivo = botao("CancelaArquivo", QStringLiteral("Limpar"), "limpar");
    cmdInternet = botao("cmdInternet", QStringLiteral("Internet"), "internet");
    cmdDisquete = botao("cmdDisquete", QStringLiteral("Disquete"), "disquete");
    MantemFiguraQuandoDesabilitado(cmdInternet);
    MantemFiguraQuandoDesabilitado(cmdDisquete);
    lblMensagem = linhaDeConteudo("lblMensagem", QStringLiteral("Enviando para o disquete. Aguarde..."),
                                  QStringLiteral("Mensagem"));
    auto *botoes = new QHBoxLayout;
    botoes->addWidget(CancelaArquivo);
    botoes->addStretch();
    botoes->addWidget(cmdInternet);
    botoes->addWidget(cmdDisquete);
    grade->addWidget(linhaDecorativa(), 0, 0, 1, 2);
    grade->addWidget(txtCaminhoArquivo, 1, 0);
    grade->addWidget(cmdProcurar, 1, 1);
    grade->addWidget(File1, 2, 0, 1, 2);
    grade->addLayout(botoes, 3, 0, 1, 2);
    grade->addWidget(lblMensagem, 4, 0, 1, 2);
    grade->addWidget(linhaDecorativa(), 5, 0, 1, 2);

    // What the window did to the page before it was built.
    if (m_linhasEsvaziadas)
        Acessibilidade::mostraTexto(lblMensagem, QString());
    if (!m_botoesEnvioHabilitados) {
        cmdInternet->setEnabled(false);
        cmdDisquete->setEnabled(false);
    }
    connect(cmdDisquete, &QPushButton::clicked, this, &frmPrincipal::cmdDisquete_Click);
    connect(cmdProcurar, &QPushButton::clicked, this, &frmPrincipal::cmdProcurar_Click);
    connect(CancelaArquivo, &QPushButton::clicked, this, &frmPrincipal::CancelaArquivo_Click);
    connect(cmdInternet, &QPushButton::clicked, this, &frmPrincipal::cmdInternet_Click);
}

// Tab 2, "Transmissão"
void frmPrincipal::montaAbaTransmissao(QWidget *pagina)
{
    auto *fora = new QVBoxLayout(pagina);
    Frame2 = nomeado(new QGroupBox(QStringLiteral("Transmissão do Arquivo")), "Frame2");
    fora->addWidget(Frame2);
    auto *coluna = new QVBoxLayout(Frame2);
    cmdTransmitir = botao("cmdTransmitir", QStringLiteral("Transmitir"), "enviar");
    MantemFiguraQuandoDesabilitado(cmdTransmitir);
    cmdCancelar = botao("cmdCancelar", QStringLiteral("Cancelar"), "cancelar");
    ProgressTransfer = nomeado(new QProgressBar, "ProgressTransfer", QStringLiteral("Progresso da transmissão"));
    ProgressTransfer->setRange(0, 100);
    ProgressTransfer->setValue(0);
    // The bar repaints at once at every new percentage; painting its own
    // background spares repainting the group box beneath it each time.
    ProgressTransfer->setAutoFillBackground(true);
    // The light tells its state in words too: to a screen reader by its
    // name, to the mouse by its tooltip.
    imgConexao = nomeado(new QLabel, "imgConexao");
    imgConexao->setAccessibleDescription(QStringLiteral("Estado da conexão"));
    montaLuzes();
    mostraConexao(false);
    lblsendingfile =
        linhaDeConteudo("lblsendingfile", QStringLiteral("Enviando Arquivo..."), QStringLiteral("Arquivo em envio"));
    lblstatus = linhaDeConteudo("lblstatus", QStringLiteral("Status: Desconectado."), QStringLiteral("Status"));
    auto *botoes = new QHBoxLayout;
    botoes->addWidget(cmdTransmitir);
    botoes->addWidget(cmdCancelar);
    botoes->addStretch();
    botoes->addWidget(imgConexao);
    coluna->addWidget(linhaDecorativa());
    coluna->addLayout(botoes);
    coluna->addWidget(new SuporteDeLinha(lblsendingfile));
    coluna->addWidget(ProgressTransfer);
    coluna->addWidget(new SuporteDeLinha(lblstatus));
    coluna->addWidget(linhaDecorativa());
    coluna->addStretch();

    // What the window did to the page before it was built.
    if (m_linhasEsvaziadas)
        Acessibilidade::mostraTexto(lblsendingfile, QString());
    if (!m_botoesEnvioHabilitados)
        cmdTransmitir->setEnabled(false);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmPrincipal::cmdCancelar_Click);
    connect(cmdTransmitir, &QPushButton::clicked, this, &frmPrincipal::cmdTransmitir_Click);
}

void frmPrincipal::montaMenu()
{
    mnuArquivo = menuBar()->addAction(QStringLiteral("&Configuração"));
    mnuArquivo->setObjectName(QStringLiteral("mnuArquivo"));
    mnuHistorico = menuBar()->addAction(QStringLiteral("&Historico"));
    mnuHistorico->setObjectName(QStringLiteral("mnuHistorico"));
    mnuSair = menuBar()->addAction(QStringLiteral("&Sair"));
    mnuSair->setObjectName(QStringLiteral("mnuSair"));
}

void frmPrincipal::montaAtalhos()
{
    // The pages from anywhere in the window (the tab control itself turns
    // them only while the focus is inside it); the captions stay as they are.
    auto *seguinte = new QShortcut(this);
    seguinte->setKeys(QKeySequence::keyBindings(QKeySequence::NextChild)
                      + QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    connect(seguinte, &QShortcut::activated, this, [this] { mudaAba(1); });
    auto *anterior = new QShortcut(this);
    anterior->setKeys(QKeySequence::keyBindings(QKeySequence::PreviousChild)
                      + QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    connect(anterior, &QShortcut::activated, this, [this] { mudaAba(-1); });
}

void frmPrincipal::mudaAba(int passo)
{
    const int abas = SSTab->count();
    SSTab->setCurrentIndex((SSTab->currentIndex() + passo + abas) % abas);
    // A focus left outside the page goes to the page's tab, which then names
    // the page; a focus inside the old page has moved into the new one.
    const QWidget *foco = QApplication::focusWidget();
    if (!foco || !SSTab->currentWidget()->isAncestorOf(foco))
        SSTab->tabBar()->setFocus(Qt::TabFocusReason);
}

void frmPrincipal::montaLuzes()
{
    imgConectado = nomeado(new QLabel(Frame5), "imgConectado");
    // Drawn at the screen's density, so the lights stay sharp at 200 %.
    imgConectado->setPixmap(Figuras::figura("conectado").pixmap(QSize(16, 16)));
    imgConectado->hide();
    imgDesconectado = nomeado(new QLabel(Frame5), "imgDesconectado");
    imgDesconectado->setPixmap(Figuras::figura("desconectado").pixmap(QSize(16, 16)));
    imgDesconectado->hide();
    // First among the frame's children, where they were always kept.
    imgDesconectado->lower();
    imgConectado->lower();
}

void frmPrincipal::mostraConexao(bool conectado)
{
    Acessibilidade::mostraEstado(imgConexao, conectado ? imgConectado->pixmap() : imgDesconectado->pixmap(),
                                 conectado ? QStringLiteral("Conectado") : QStringLiteral("Desconectado"));
}

void frmPrincipal::closeEvent(QCloseEvent *evento)
{
    const auto resposta = CaixaMensagem::mostra(QStringLiteral("Deseja realmente sair?"), CaixaMensagem::Botoes::SimNao,
                                                CaixaMensagem::Icone::Informacao, QStringLiteral("TAVO"));
    if (resposta != CaixaMensagem::Resposta::Sim) {
        evento->ignore();
        return;
    }
    // A transfer still running ends here, quietly and unrecorded.
    m_sessao->encerra();
    evento->accept();
}

void frmPrincipal::mnuSair_Click()
{
    close();
}

void frmPrincipal::DesabilitaBotoesEnvio()
{
    habilitaBotoesEnvio(false);
}

void frmPrincipal::HabilitaBotoesEnvio()
{
    habilitaBotoesEnvio(true);
}

void frmPrincipal::habilitaBotoesEnvio(bool habilitados)
{
    // A page not built yet takes the state when it is.
    m_botoesEnvioHabilitados = habilitados;
    if (m_abaEnviar->montada()) {
        cmdDisquete->setEnabled(habilitados);
        cmdInternet->setEnabled(habilitados);
    }
    if (m_abaTransmissao->montada())
        cmdTransmitir->setEnabled(habilitados);
}

bool frmPrincipal::transferindo() const
{
    return m_sessao->emCurso();
}

void MantemFiguraQuandoDesabilitado(QPushButton *botao)
{
    botao->setIcon(Figuras::semAcinzentar(botao->icon()));
}
