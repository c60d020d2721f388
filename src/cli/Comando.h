#pragma once

#include "cli/CodigosSaida.h"
#include "common/ProxyCliente.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class QCommandLineParser;
class TerminalConsole;
class TravaPrograma;

// One command of the console: its name, its options, what it needs of the
// program folder, and its work. The line is read by LinhaComando; the folder
// is taken by ComandosConsole before executa() runs.
class Comando
{
public:
    // What the command needs of the program folder before it runs.
    enum class Pasta {
        Preparada, // held (the window's lock), the local database made ready
        SoTrava,   // held only: the command prepares what it needs itself
        AoLado,    // runs beside an open client; held only to make the database ready when none is open
        Nenhuma,   // nothing taken, nothing converted
    };

    virtual ~Comando() = default;

    virtual QString nome() const = 0;
    virtual Pasta pasta() const = 0;
    // The command's own options, beside the general ones.
    virtual QList<QCommandLineOption> opcoes() const { return {}; }
    // Takes the values given; the usage error when one cannot be taken.
    virtual std::optional<QString> le(const QCommandLineParser &parser);
    // Runs, the folder taken; the exit status (CodigosSaida).
    virtual int executa(TerminalConsole &terminal) = 0;

    // The folder's lock, held (or not) while the command runs.
    void usaTrava(const TravaPrograma &trava) { m_trava = &trava; }

    // The command of that name; nothing when there is none.
    static std::unique_ptr<Comando> cria(const QString &nome);

    // An option that takes a value.
    static QCommandLineOption opcao(const QString &nome);
    // A whole number of seconds (or a count) from `minimo` to `maximo`: the
    // value of option `nome`, nothing when not given, or the usage error.
    static std::optional<QString> numero(const QCommandLineParser &parser, const QString &nome, int minimo, int maximo,
                                         std::optional<int> &valor);

    // The value of --proxy, when given, or the usage error.
    static std::optional<QString> proxy(const QCommandLineParser &parser, std::optional<ProxyCliente> &valor);

protected:
    const TravaPrograma *m_trava = nullptr;
};
