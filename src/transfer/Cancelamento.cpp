#include "transfer/Cancelamento.h"

#include "shell/ListaArquivos.h"
#include "shell/frmPrincipal.h"

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
    janela.lblstatus->setText(QStringLiteral("Status: Desconectado."));
    janela.lblsendingfile->clear();
    janela.ProgressTransfer->setValue(0);
    janela.RespostaPacote = 0;
    if (!janela.File1->fileName().isEmpty())
        janela.cmdTransmitir->setEnabled(true);
}
