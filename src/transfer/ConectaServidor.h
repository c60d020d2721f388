#pragma once

class frmPrincipal;

// "Transmitir": checks the school code and the transmission type, asks for
// confirmation, makes sure the working folder holds the chosen package
// (copying it again from its source when it does not; "O Arquivo não existe!"
// when that is gone too), connects and runs the transfer. While it runs, the
// controls that start another job are disabled ("Cancelar" stays usable).
void cmdTransmitir_Click(frmPrincipal &janela);

// "Internet": shows the "Transmissão" tab and does what "Transmitir" does.
void cmdInternet_Click(frmPrincipal &janela);

// Connects to IpServidor, trying ports PortaInicial, PortaInicial + 1, ...
// for QtdePortas attempts, each bounded in time. True when connected; false
// after telling the user (or when "Cancelar" stopped the attempts).
bool ConectaServidor(frmPrincipal &janela);
