#include "transfer/Cancelamento.h"

#include "shell/TarefaExclusiva.h"
#include "shell/frmPrincipal.h"
#include "transfer/ControleSocket.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

void WindowsSocket_Close(frmPrincipal &janela)
{
    janela.imgConexao->setPixmap(janela.imgDesconectado->pixmap());
    janela.ProgressTransfer->setValue(0);
}

void cmdCancelar_Click(frmPrincipal &janela)
{
    janela.Cancelado = true;
    WindowsSocket_Close(janela);
    janela.WindowsSocket->fecha();
    janela.lblstatus->setText(QStringLiteral("Status: Desconectado."));
    janela.lblsendingfile->clear();
    janela.ProgressTransfer->setValue(0);
    janela.RespostaPacote = 0;
    // While a job runs its guard holds "Transmitir" off and gives it back
    // when the job ends; enabling it here would allow a second transfer
    // inside the first.
    if (!janela.Pacote.vazio() && !TarefaExclusiva::emCurso())
        janela.cmdTransmitir->setEnabled(true);
}

void EncerraTransferencia(frmPrincipal &janela)
{
    if (!janela.Transferindo)
        return;
    janela.Encerrando = true;
    janela.WindowsSocket->fecha();
}
