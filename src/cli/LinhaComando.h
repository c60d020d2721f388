#pragma once

#include "cli/Comando.h"

#include <QByteArray>
#include <QList>
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
    // --help after a command: that command's help.
    // --json, -q/--silencioso: what standard output gets.
    bool json = false;
    bool silencioso = false;
    // --esperar S: how long a command that takes the folder waits for it.
    std::optional<int> esperar;
    // The usage error; empty when the line was read.
    QString erro;
};

// Reads the arguments that follow the program's name. "--help" (or "-h")
// and "--version" anywhere are that request; the help of the command the
// line names, if it names one. A line with an error still tells whether it
// asked for JSON.
Analise analisa(const QStringList &argumentos);

// Whether the arguments ask for JSON (--json before any "--"), read before
// the line itself: a usage error is then one object too.
bool pedeJson(const QStringList &argumentos);

// The usage error for the first of the program's arguments (their bytes,
// without the program's name: PlataformaTerminal::argumentosEmBytes) whose
// bytes are not text: a path in another encoding would name
// another file once decoded (a usage error). Done when all are text.
// A proxy's value shows without its password (ProxyCliente::semSenha).
Esperado<void> argumentoIlegivel(const QList<QByteArray> &argumentos);

// Overwrites with "*", in place, the password of every --proxy value in
// `argv` ("--proxy=VALOR", "--proxy VALOR", the single-dash "-proxy" the
// parser takes as well, and "-P VALOR", which it refuses but whose value is
// a proxy all the same): the system shows a process's arguments to every
// user. Called first thing in main; the line is then read from a copy of
// the arguments taken before (PlataformaTerminal::argumentosEmTexto). The
// password's length still shows.
void ocultaSenhaProxy(int argc, char *argv[]);

// The text of "--help": every command with its synopsis and what it does,
// the general options and the exit statuses; with `comando`, that
// command's own: its synopsis, what it does and every option it takes. Both
// are made from the commands' classes.
QString ajuda(const Comando *comando = nullptr);

} // namespace LinhaComando
