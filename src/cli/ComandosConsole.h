#pragma once

#include "cli/LinhaComando.h"

class TerminalConsole;

// Runs a command read from the line on the program folder, taken as the
// command needs it: configurar, gerar and enviar hold the folder (the
// window's lock) and make the local database ready, as the window's start
// does; converter holds it and converts; historico runs beside an open
// client, and makes the database ready itself only when none is open. A
// folder another client holds is waited for up to --esperar seconds (75 when
// it stays held); a lock that cannot be had is 73. The exit status comes
// back (CodigosSaida).
namespace ComandosConsole {

int executa(LinhaComando::Analise &analise, const Instalacao &instalacao, TerminalConsole &terminal);

} // namespace ComandosConsole
