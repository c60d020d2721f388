#pragma once

#include "cli/Comando.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The console's command line: the command with its options, and the
// general options, read with QCommandLineParser (parse(), never process():
// every usage error is told in the program's words and ends with 2).
namespace LinhaComando {

enum class Pedido { Comando, Ajuda, Versao };

// A command line read: what was asked, or why it is not a request.
struct Analise
{
    Pedido pedido = Pedido::Comando;
    std::unique_ptr<Comando> comando;
    // --verbose: the log's lines (debug ones too) also go to standard error.
    bool detalhado = false;
    // --json, -q/--silencioso: what standard output gets.
    bool json = false;
    bool silencioso = false;
    // --esperar S: how long a command that takes the folder waits for it.
    std::optional<int> esperar;
    // The usage error; empty when the line was read.
    QString erro;
};

// Reads the arguments that follow the program's name. "--help" (or "-h")
// and "--version" anywhere are that request.
Analise analisa(const QStringList &argumentos);

// The usage error for the first of the program's arguments (argv, its name
// first) whose bytes are not text: a path in another encoding would name
// another file once decoded. Nothing when all are text.
std::optional<QString> argumentoIlegivel(int argc, const char *const argv[]);

// The text of "--help".
QString ajuda();

} // namespace LinhaComando
