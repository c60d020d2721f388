#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The window program's own command line. It is read before the application
// object exists, so that --help and --version answer with no display at all.
// The standard options of Qt programs (-platform, -style, -reverse, ...) are
// left for Qt; anything else is bad usage.
namespace OpcoesJanela {

enum class Pedido { Abrir, Ajuda, Versao, UsoIncorreto };

struct Analise
{
    Pedido pedido = Pedido::Abrir;
    // UsoIncorreto: what is wrong with the command line.
    QString erro;
};

// Reads the arguments that follow the program's name. "--help" (or "-h") or
// "--version" anywhere is that request.
Analise analisa(const QStringList &argumentos);

// The text of "--help".
QString ajuda();

// Answers --help, --version or a bad command line on standard output or
// error and returns the exit status (0, or 2 for bad usage); nothing when
// the window is to open.
std::optional<int> responde(int argc, char *argv[]);

} // namespace OpcoesJanela
