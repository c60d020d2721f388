#pragma once

#include "store/GravacaoConfiguracao.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The console's command line: the command and its options, read into what
// the jobs take. Nothing is run here.
namespace LinhaComando {

enum class Comando { Ajuda, Versao, Configurar, Gerar, Enviar, Historico, Converter };

struct Pedido
{
    Comando comando = Comando::Ajuda;

    // configurar: the address cut at its dots into the four boxes, the
    // number of ports and the first port, as typed. An option not given is
    // an empty box, which the settings' own checks report.
    ConfiguracaoDigitada configuracao{{QString(), QString(), QString(), QString()}, {}, {}};

    // enviar: the type (nothing when not given, which the send's checks
    // report) and the package chosen (empty: today's package of the school).
    std::optional<bool> periodica;
    QString pacote;

    // historico: nothing means this month, this year.
    std::optional<std::int16_t> mes;
    std::optional<std::int16_t> ano;
    // 0 both types, 1 periodic, 2 annual (the history's type index).
    std::int16_t tipo = 0;

    // converter: --aceitar-perdas, a file that cannot be read whole is
    // converted with what could be read.
    bool aceitaPerdas = false;

    // --verbose, anywhere: the log's lines (debug ones too) also go to
    // standard error.
    bool detalhado = false;
};

// A command line read: the request, or why it is not one.
struct Analise
{
    std::optional<Pedido> pedido;
    QString erro;
};

// Reads the arguments that follow the program's name. "--help" or
// "--version" anywhere is that request; "--verbose" anywhere goes with any
// command.
Analise analisa(const QStringList &argumentos);

// The usage error for the first of the program's arguments (argv, its name
// first) whose bytes are not text: a path in another encoding would name
// another file once decoded. Nothing when all are text.
std::optional<QString> argumentoIlegivel(int argc, const char *const argv[]);

// The text of "--help".
QString ajuda();

} // namespace LinhaComando
