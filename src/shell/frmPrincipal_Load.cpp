// Start-up of the main window and the wiring of its controls to the handlers
// of each subsystem.
#include "shell/frmPrincipal.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "intake/SelecionaPacote.h"
#include "package/ExportaDisquete.h"
#include "package/GeraPacote.h"
#include "package/modAddZip.h"
#include "history/frmHistorico.h"
#include "shell/ListaArquivos.h"
#include "store/AtualizaSRE.h"
#include "store/CarregaConfiguracao.h"
#include "store/frmConfiguracao.h"
#include "transfer/Cancelamento.h"
#include "transfer/ConectaServidor.h"
#include "transfer/ControleSocket.h"
#include "transfer/EventosSocket.h"

#include <QAction>
#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

void frmPrincipal::Form_Load()
{
    InicializaZip(this, txtZip);
    SSTab->setCurrentIndex(0);
    lblsendingfile->clear();
    lblMensagem->clear();
    DesabilitaBotoesEnvio();
    // The load has no error handling of its own for the local database; a
    // database that cannot be read is reported once and the window opens all
    // the same, with empty settings.
    try {
        CarregaConfiguracao(QStringLiteral("P"));
    } catch (const ErroTavo &erro) {
        CaixaMensagem::aviso(QStringLiteral("Não foi possível ler o banco de dados local \"%1\".")
                                     .arg(Caminhos::naPastaPrograma(Caminhos::bancoLocal()))
                                 + QStringLiteral("\r\n") + erro.descricao(),
                             CaixaMensagem::Icone::Critico);
        return;
    }
    // The office names only decorate the history report: a refresh that
    // cannot be written (a database that can only be read) is logged, and
    // the user, who can do nothing about it, is not stopped by it.
    try {
        AtualizaSRE();
    } catch (const ErroTavo &erro) {
        qWarning().noquote() << "Regional office names not refreshed:" << erro.descricao();
    }
}

void frmPrincipal::conectaEventos()
{
    connect(mnuArquivo, &QAction::triggered, this, &frmPrincipal::mnuArquivo_Click);
    connect(mnuHistorico, &QAction::triggered, this, &frmPrincipal::mnuHistorico_Click);
    connect(mnuSair, &QAction::triggered, this, &frmPrincipal::mnuSair_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, [this] { cmdCancelar_Click(*this); });
    connect(cmdGerar, &QPushButton::clicked, this, [this] { cmdGerar_Click(*this); });
    connect(cmdDisquete, &QPushButton::clicked, this, [this] { cmdDisquete_Click(*this); });
    connect(cmdProcurar, &QPushButton::clicked, this, [this] { cmdProcurar_Click(*this); });
    connect(CancelaArquivo, &QPushButton::clicked, this, [this] { CancelaArquivo_Click(*this); });
    connect(txtZip, &QLineEdit::textChanged, this, [this] { txtZip_Change(*this); });
    connect(cmdTransmitir, &QPushButton::clicked, this, [this] { cmdTransmitir_Click(*this); });
    connect(cmdInternet, &QPushButton::clicked, this, [this] { cmdInternet_Click(*this); });
    // The socket's "connected" event does nothing of its own.
    connect(WindowsSocket, &ControleSocket::dadosChegaram, this, [this] { WindowsSocket_DataArrival(*this); });
    connect(WindowsSocket, &ControleSocket::envioCompleto, this, [this] { WindowsSocket_SendComplete(*this); });
    connect(WindowsSocket, &ControleSocket::fechadoPeloServidor, this, [this] { WindowsSocket_Close(*this); });
}

void frmPrincipal::mnuArquivo_Click()
{
    frmConfiguracao janela(this);
    janela.exec();
}

void frmPrincipal::mnuHistorico_Click()
{
    frmHistorico janela(this);
    janela.exec();
}
