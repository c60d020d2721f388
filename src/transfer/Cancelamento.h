#pragma once

class frmPrincipal;

// "Cancelar" on the "Transmissão" tab, usable at any time: ends a running
// transfer (its waits see the flag and the closed connection), shows the
// disconnected state, and re-enables "Transmitir" when a package is chosen.
void cmdCancelar_Click(frmPrincipal &janela);

// The peer closed the connection (also run by the cancel): shows the
// disconnected picture and empties the progress bar.
void WindowsSocket_Close(frmPrincipal &janela);

// The window is closing while a transfer runs: the transfer ends at once,
// without a message and without a record. Nothing happens when no transfer
// runs.
void EncerraTransferencia(frmPrincipal &janela);
