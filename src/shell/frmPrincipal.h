#pragma once

#include "common/gui/CaixaMensagem.h"
#include "package/EventoZip.h"
#include "package/PacoteEscolhido.h"
#include "store/Configuracao.h"
#include "store/ConsultaEscola.h"

#include <QMainWindow>
#include <QPointer>

#include <optional>

class AbaSobDemanda;
class ControleSocket;
class ListaArquivos;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class SessaoTransferencia;

// The main window: the package fields, the file list, the three work tabs
// and the menu. Its widgets and state are its own: its handlers run the jobs
// of the core (package generation, floppy export, package selection, the
// transfer session), hand them values taken from the controls and show what
// they report in its controls and boxes. Other code talks to it through the
// few methods below.
class frmPrincipal : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmPrincipal(Instalacao instalacao, QWidget *parent = nullptr);
    ~frmPrincipal() override;

    // The start-up sequence; run once, before the window is shown. The
    // regional offices' names are refreshed after it: right after the
    // window's first paint and, whatever comes first, before the window
    // takes the user's first input.
    void Form_Load();

    // The package made ready to send (empty after "Limpar"): the file a send
    // announces and sends, whatever File1 shows.
    const PacoteEscolhido &pacote() const { return Pacote; }

    // Disable / enable the three send buttons ("Disquete", "Internet",
    // "Transmitir"). A disabled send button keeps its normal picture
    // (MantemFiguraQuandoDesabilitado, given when they are made).
    void DesabilitaBotoesEnvio();
    void HabilitaBotoesEnvio();

    // A transfer runs (closing the window ends it).
    bool transferindo() const;

    // The server settings a transfer uses: loaded by Form_Load, replaced
    // when the settings window saves or reads them back.
    const ConfiguracaoCliente &configuracao() const { return m_configuracao; }

    // The way in of the bench and test drivers, and theirs only
    // (shell/AcessoBancada.h): the steps the handlers run, called as the
    // handlers call them.
    class AcessoBancada;

protected:
    // Every way of closing asks first ("Form_Unload").
    void closeEvent(QCloseEvent *evento) override;
    bool event(QEvent *evento) override;
    // While the offices' refresh waits, the user's input to the program
    // passes here first.
    bool eventFilter(QObject *alvo, QEvent *evento) override;

private:
    // The ZIP component's set-up, with the status box its progress goes to
    // (txtZip). A failure shows "Erro inicializando bibliotecas ZIP"; the
    // jobs then fail when they reach the component.
    void InicializaZip(QLineEdit *caixaStatus);
    // The relay of the jobs' ZIP progress: each event goes into the status
    // box as its status text (StatusZip.h).
    void relayZip(const EventoZip &evento);

    // Shows a school in txtCodigoSRE, txtSRE, txtEscola and txtCodigoEscola;
    // none empties the four.
    void IdentificaEscola(const std::optional<DadosEscola> &escola);

    // A package made ready as "Gerar" leaves it: the chosen package, its
    // source in txtCaminhoArquivo, selected in File1 and named in txtArquivo.
    // The send buttons are left as they are.
    void escolhePacote(const PacoteEscolhido &pacote);

    // The handlers of the controls.
    void cmdGerar_Click();
    void cmdProcurar_Click();
    void CancelaArquivo_Click();
    void cmdDisquete_Click();
    void cmdTransmitir_Click();
    void cmdInternet_Click();
    void cmdCancelar_Click();
    void txtZip_Change();

    // The school the identity boxes show, as a send announces it.
    DadosEscola escolaMostrada() const;
    // The controls that start a job, which a running job holds off
    // (TarefaExclusiva); their pages are built first.
    QList<QObject *> controlesDeTrabalho();

    void montaDadosDoArquivo(QWidget *centro);
    void montaTipoTransmissao(QWidget *centro);
    void montaAbas(QWidget *centro);
    void montaAbaGerar(QWidget *pagina);
    void montaAbaEnviar(QWidget *pagina);
    void montaAbaTransmissao(QWidget *pagina);
    // Builds the pages "Enviar Arquivo" and "Transmissão" if they were not
    // yet: code that reaches their controls before the user opened them.
    void garanteAbas();
    void habilitaBotoesEnvio(bool habilitados);
    void montaMenu();
    void montaAtalhos();
    // The connection light's pictures (imgConectado, imgDesconectado).
    void montaLuzes();
    // Turns the tab control `passo` pages on, round.
    void mudaAba(int passo);
    // The connection light, with its state in words.
    void mostraConexao(bool conectado);
    void conectaEventos();
    void mostraPastaTrabalho();
    void mostraPacote(const PacoteEscolhido &pacote);

    // The refresh of the regional offices' names Form_Load leaves waiting;
    // runs once.
    void atualizaEscritorios();

    void mnuArquivo_Click();
    void mnuHistorico_Click();
    void mnuSair_Click();

    // "Dados do Arquivo"
    QGroupBox *Frame5;
    QLabel *Label4;
    QLineEdit *txtCodigoSRE;
    QLineEdit *txtSRE;
    QLabel *Label3;
    QLineEdit *txtCodigoEscola;
    QLineEdit *txtEscola;
    QLabel *Label2;
    QLineEdit *txtArquivo;
    // The connection light's two pictures, hidden: made with the page that
    // shows the light ("Transmissão"), null until then.
    QLabel *imgConectado = nullptr;
    QLabel *imgDesconectado = nullptr;

    // "Tipo de transmissão"
    QGroupBox *frmTipoTrasmicao;
    QRadioButton *optTipoTrasmissao[2];

    QTabWidget *SSTab;
    // The pages built when first shown (AbaSobDemanda); their controls
    // below are null until then.
    AbaSobDemanda *m_abaEnviar;
    AbaSobDemanda *m_abaTransmissao;

    // Tab 0, "Gerar Arquivo"
    QWidget *Frame4;
    QLineEdit *txtZip;
    QPushButton *cmdGerar;
    QLabel *lblAguarde;
    QLabel *lblProgresso;

    // Tab 1, "Enviar Arquivo"
    QGroupBox *Frame1 = nullptr;
    QLineEdit *txtCaminhoArquivo = nullptr;
    QPushButton *cmdProcurar = nullptr;
    ListaArquivos *File1 = nullptr;
    QPushButton *CancelaArquivo = nullptr;
    QPushButton *cmdInternet = nullptr;
    QPushButton *cmdDisquete = nullptr;
    QLabel *lblMensagem = nullptr;

    // Tab 2, "Transmissão"
    QGroupBox *Frame2 = nullptr;
    QPushButton *cmdTransmitir = nullptr;
    QPushButton *cmdCancelar = nullptr;
    QProgressBar *ProgressTransfer = nullptr;
    QLabel *imgConexao = nullptr;
    QLabel *lblsendingfile = nullptr;
    QLabel *lblstatus = nullptr;
    // The socket control (invisible): the connection to the upload server,
    // owned by the transfer session.
    ControleSocket *WindowsSocket;

    // Menu
    QAction *mnuArquivo;
    QAction *mnuHistorico;
    QAction *mnuSair;

    // The package made ready by "Gerar" or "..." (none after "Limpar").
    PacoteEscolhido Pacote;

    // The user's side of the jobs: every message is a box.
    Instalacao m_instalacao;
    CaixaMensagem::Caixas m_caixas;
    ConfiguracaoCliente m_configuracao;
    SessaoTransferencia *m_sessao;
    QPointer<QLineEdit> m_caixaStatusZip;
    // The send buttons' state and whether Form_Load emptied the pages'
    // lines, for a page built later.
    bool m_botoesEnvioHabilitados = true;
    bool m_linhasEsvaziadas = false;
    bool m_escritoriosPendentes = false;
    bool m_escritoriosAgendados = false;
};

// Makes a button show its normal picture while disabled, instead of a greyed one.
void MantemFiguraQuandoDesabilitado(QPushButton *botao);
