#pragma once

struct MensagemServidor;
class frmPrincipal;

// The socket control's events on the main window.

// Data arrived: every whole server message now in the receive buffer is
// applied, in order.
void WindowsSocket_DataArrival(frmPrincipal &janela);

// The last send was handed over completely.
void WindowsSocket_SendComplete(frmPrincipal &janela);

// One server message:
//   PACKET n   n < 2048: "Packet Dinied" box, packet answer 0; else 1
//   PEND~# n   file answer n
//   denied     "Unable to connect" box, disconnected picture, socket closed
//   accept     connected picture
//   kickH#     the server is dropping this client
// A message with a malformed argument, or an unknown code, changes nothing.
void aplicaMensagemServidor(frmPrincipal &janela, const MensagemServidor &mensagem);
