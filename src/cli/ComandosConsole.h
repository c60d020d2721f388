#pragma once

#include "cli/LinhaComando.h"

class TerminalConsole;
class TravaPrograma;

// The console's commands, run on the core's jobs with the texts the
// window shows.
namespace ComandosConsole {

// The program's exit status.
enum Saida : int { Sucesso = 0, Falha = 1, UsoIncorreto = 2 };

// Runs a command of the program folder. configurar, gerar and enviar hold the
// program folder (the window's lock) and make the local database ready, as
// the window's start does, before they run; converter holds it and converts;
// historico runs beside an open client, and makes the database ready itself
// only when none is open. None runs when the lock cannot be had.
int executa(const LinhaComando::Pedido &pedido, TerminalConsole &terminal);

int configurar(const ConfiguracaoDigitada &configuracao, TerminalConsole &terminal);
int gerar(TerminalConsole &terminal);
int enviar(const LinhaComando::Pedido &pedido, TerminalConsole &terminal);
int historico(const LinhaComando::Pedido &pedido, TerminalConsole &terminal);
// Converts the former client's local database, under `trava`, and shows
// what was read of each table.
int converter(const LinhaComando::Pedido &pedido, const TravaPrograma &trava, TerminalConsole &terminal);

} // namespace ComandosConsole
