// Start-up of the main window and the wiring of its controls to the handlers
// of each subsystem.
#include "shell/frmPrincipal.h"

#include "common/Acessibilidade.h"
#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Log.h"
#include "history/frmHistorico.h"
#include "shell/ListaArquivos.h"
#include "store/AtualizaSRE.h"
#include "store/CarregaConfiguracao.h"
#include "store/frmConfiguracao.h"
#include "transfer/SessaoTransferencia.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

void frmPrincipal::Form_Load()
{
    InicializaZip(txtZip);
    SSTab->setCurrentIndex(0);
    Acessibilidade::mostraTexto(lblsendingfile, QString());
    Acessibilidade::mostraTexto(lblMensagem, QString());
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
        qCWarning(lcBanco).noquote() << "Regional office names not refreshed:" << erro.relato();
    }
}

void frmPrincipal::conectaEventos()
{
    connect(mnuArquivo, &QAction::triggered, this, &frmPrincipal::mnuArquivo_Click);
    connect(mnuHistorico, &QAction::triggered, this, &frmPrincipal::mnuHistorico_Click);
    connect(mnuSair, &QAction::triggered, this, &frmPrincipal::mnuSair_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmPrincipal::cmdCancelar_Click);
    connect(cmdGerar, &QPushButton::clicked, this, &frmPrincipal::cmdGerar_Click);
    connect(cmdDisquete, &QPushButton::clicked, this, &frmPrincipal::cmdDisquete_Click);
    connect(cmdProcurar, &QPushButton::clicked, this, &frmPrincipal::cmdProcurar_Click);
    connect(CancelaArquivo, &QPushButton::clicked, this, &frmPrincipal::CancelaArquivo_Click);
    connect(txtZip, &QLineEdit::textChanged, this, &frmPrincipal::txtZip_Change);
    connect(cmdTransmitir, &QPushButton::clicked, this, &frmPrincipal::cmdTransmitir_Click);
    connect(cmdInternet, &QPushButton::clicked, this, &frmPrincipal::cmdInternet_Click);
    // What the transfer session reports, shown on the "Transmissão" tab.
    // A status shows at once, also while the session waits for a connection.
    connect(m_sessao, &SessaoTransferencia::status, this, [this](const QString &texto) {
        Acessibilidade::mostraTexto(lblstatus, texto);
        lblstatus->repaint();
    });
    connect(m_sessao, &SessaoTransferencia::arquivoEmEnvio, this,
            [this](const QString &texto) { Acessibilidade::mostraTexto(lblsendingfile, texto); });
    connect(m_sessao, &SessaoTransferencia::progresso, ProgressTransfer, &QProgressBar::setValue);
    connect(m_sessao, &SessaoTransferencia::conexao, this, &frmPrincipal::mostraConexao);
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
