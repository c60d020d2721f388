#pragma once

#include <QByteArray>

#include <chrono>
#include <optional>

// The console's terminal: whether a standard stream is a terminal (a person
// is there to answer and to watch the progress), and reading an answer from
// standard input with a time bound.
namespace PlataformaTerminal {

enum class Fluxo { Entrada, Saida, Erro };

bool ehTerminal(Fluxo fluxo);

// One line typed on standard input, without its line end. Nothing when the
// input ends or `limite` passes first; the time goes on while the line is
// typed.
std::optional<QByteArray> leLinha(std::chrono::milliseconds limite);

} // namespace PlataformaTerminal
