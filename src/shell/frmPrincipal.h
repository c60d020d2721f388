#pragma once

#include "package/PacoteEscolhido.h"

#include <QMainWindow>

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

// The main window: the package fields, the file list, the three work tabs
// and the menu. Its controls are the working state of a package; the handlers
// of each subsystem work on them by name.
class frmPrincipal : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmPrincipal(QWidget *parent = nullptr);
    ~frmPrincipal() override;

    // The one main window of the run (null before it is built).
    static frmPrincipal *instancia();

    // The start-up sequence; run once, before the window is shown.
    void Form_Load();

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
    QLabel *imgConectado;
    QLabel *imgDesconectado;

    // "Tipo de transmissão"
    QGroupBox *frmTipoTrasmicao;
    QRadioButton *optTipoTrasmissao[2];

    QTabWidget *SSTab;

    // Tab 0, "Gerar Arquivo"
    QWidget *Frame4;
    QLineEdit *txtZip;
    QPushButton *cmdGerar;
    QLabel *lblAguarde;
    QLabel *lblProgresso;

    // Tab 1, "Enviar Arquivo"
    QGroupBox *Frame1;
    QLineEdit *txtCaminhoArquivo;
    QPushButton *cmdProcurar;
    ListaArquivos *File1;
    QPushButton *CancelaArquivo;
    QPushButton *cmdInternet;
    QPushButton *cmdDisquete;
    QLabel *lblMensagem;

    // Tab 2, "Transmissão"
    QGroupBox *Frame2;
    QPushButton *cmdTransmitir;
    QPushButton *cmdCancelar;
    QProgressBar *ProgressTransfer;
    QLabel *imgConexao;
    QLabel *lblsendingfile;
    QLabel *lblstatus;
    // The socket control (invisible): the connection to the upload server.
    ControleSocket *WindowsSocket;

    // Menu
    QAction *mnuArquivo;
    QAction *mnuHistorico;
    QAction *mnuSair;

    // The package made ready by "Gerar" or "..." (none after "Limpar"): the
    // file a send announces and sends, whatever File1 shows.
    PacoteEscolhido Pacote;

    // Transfer state: packet answer (2 waiting, 1 granted, 0 denied),
    // file answer (2 waiting, 0 refused, else go ahead), and the flags.
    int RespostaPacote = 0;
    int RespostaArquivo = 0;
    bool Cancelado = false;
    bool Enviando = false;
    bool Expulso = false;
    // "denied" arrived during the transfer that runs.
    bool AcessoNegado = false;
    // A transfer runs (closing the window ends it).
    bool Transferindo = false;
    // The window is closing: the running transfer ends without a message.
    bool Encerrando = false;

protected:
    // Every way of closing asks first ("Form_Unload").
    void closeEvent(QCloseEvent *evento) override;

private:
    void montaDadosDoArquivo(QWidget *centro);
    void montaTipoTransmissao(QWidget *centro);
    void montaAbas(QWidget *centro);
    void montaMenu();
    void conectaEventos();

    void mnuArquivo_Click();
    void mnuHistorico_Click();
    void mnuSair_Click();
};

// Disable / enable the three send buttons ("Disquete", "Internet",
// "Transmitir") of the main window. A disabled send button keeps its normal
// picture.
void DesabilitaBotoesEnvio();
void HabilitaBotoesEnvio();

// Makes a button show its normal picture while disabled, instead of a greyed one.
void MantemFiguraQuandoDesabilitado(QPushButton *botao);
