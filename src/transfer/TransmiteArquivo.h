#pragma once

#include <QString>

class Espera;
class PacoteEscolhido;
class frmPrincipal;

// One whole transfer on the open connection: packet request, file header,
// size header, the file in pieces with progress, then the record in
// Historico and "Transferência OK!". The name and the size announced are the
// chosen package's, and the bytes sent are those of its copy at `caminho`
// (program form, in the working folder). Every wait is bounded; a transfer
// that does not complete tells the user why (cancel, kick, lost connection),
// shows the disconnected state and records nothing.
void TransmiteArquivo(frmPrincipal &janela, const PacoteEscolhido &pacote, const QString &caminho);

// The data phase: sends the file at `caminho` (Windows form) of `tamanho`
// bytes in pieces of 2048, one buffer at a time, the next piece read only
// after the previous one was handed over. True when the whole file reached
// the server's system (every byte acknowledged, the connection not reset).
// Raises ErroTavo when the file cannot be opened or read.
bool EnviaArquivo(frmPrincipal &janela, Espera &espera, const QString &caminho, qint64 tamanho);
