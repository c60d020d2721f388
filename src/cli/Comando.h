#pragma once

#include "cli/CodigosSaida.h"
#include "common/Instalacao.h"
#include "store/Configuracao.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class QCommandLineParser;

// A usage error of the command line: the user's message, under
// Erros::ArgumentoInvalido.
inline ErroTavo usoIncorreto(const QString &mensagem)
{
    return ErroTavo(Erros::ArgumentoInvalido, mensagem);
}

class TerminalConsole;
class TravaPrograma;

// One command of the console: its name, what it does, its options (each
// with its description), what it needs of the program folder, and its work.
// The line is read by LinhaComando, which builds the help from these; the
// folder is taken by ComandosConsole before executa() runs.
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
    // What the command does, for its help (one paragraph).
    virtual QString descricao() const = 0;
    virtual Pasta pasta() const = 0;
    // The command's own options, beside the general ones, each with its
    // description and the name of its value.
    virtual QList<QCommandLineOption> opcoes() const { return {}; }
    // The options without which the command is a usage error (shown
    // without brackets in the help).
    virtual QStringList obrigatorias() const { return {}; }
    // Takes the values given; the usage error (usoIncorreto) when one
    // cannot be taken.
    virtual Esperado<void> le(const QCommandLineParser &parser);
    // Runs, the folder taken; the exit status (CodigosSaida).
    virtual int executa(const Instalacao &instalacao, TerminalConsole &terminal) = 0;

    // The folder's lock, held (or not) while the command runs.
    void usaTrava(const TravaPrograma &trava) { m_trava = &trava; }

    // The command of that name; nothing when there is none.
    static std::unique_ptr<Comando> cria(const QString &nome);
    // Every command, in the order of the help.
    static std::vector<std::unique_ptr<Comando>> todos();

    // An option that takes `valor` ("N", "periodica|anual"), and what it is for.
    static QCommandLineOption opcao(const QString &nome, const QString &valor, const QString &descricao);
    // A whole number of seconds (or a count) from `minimo` to `maximo`: the
    // value of option `nome`, nothing when not given, or the usage error.
    static Esperado<void> numero(const QCommandLineParser &parser, const QString &nome, int minimo, int maximo,
                                 std::optional<int> &valor);

protected:
    const TravaPrograma *m_trava = nullptr;
};

// The transfer's options of the command line (enviar, diagnostico): the
// bounds and the proxy. Each one given stands in place of the site
// configuration's, whose value is then neither used nor checked.
class OpcoesTransferenciaLinha
{
public:
    static QList<QCommandLineOption> opcoes();
    // Takes the values given; the usage error when one cannot be taken.
    Esperado<void> le(const QCommandLineParser &parser);
    // Puts the options on `configuracao`: the line's, else the site
    // configuration's. The values of the site configuration in use that
    // cannot be used come back.
    QList<ProblemaConfiguracao> aplica(ConfiguracaoCliente &configuracao, const Instalacao &instalacao) const;
    // The values given on the line (empty: not given).
    const OpcoesTransferencia &dadas() const { return m_dadas; }

private:
    OpcoesTransferencia m_dadas;
};
