#pragma once

#include "common/Interlocutor.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>

// The jobs' interlocutor on a terminal, for a person or a script. The
// command's result goes to standard output: its lines, or nothing with
// --silencioso, or with --json one object at the end (the command's fields,
// or on failure the exit status, the message and its cause). Every other
// message waits: a command that fails shows them on standard error, its
// title (when it has one) on the line above its text, then the cause; one
// that succeeds leaves standard error empty (they are in the log). A
// question is asked on standard error and answered on standard input when
// that is a terminal; without one, or when nobody answers in time, it counts
// as No or Cancel. Progress shows, on one line rewritten in place, only when
// standard error is a terminal.
//
// A write to standard output that fails (a full disk, a closed pipe, a
// standard output found closed at start) loses the command's result: it is
// said once on standard error, nothing more goes to standard output, and the
// command ends with 74 (conclui()).
class TerminalConsole : public Interlocutor
{
public:
    // How long a question waits for its answer.
    static constexpr std::chrono::minutes kPrazoResposta{15};

    enum class Modo {
        Texto,      // the result's lines
        Silencioso, // nothing on success
        Json,       // one object
    };

    // `saidaFechada`: standard output was found closed at start; nothing
    // written to it reaches anyone.
    explicit TerminalConsole(bool saidaFechada = false);

    void defineModo(Modo modo) { m_modo = modo; }
    Modo modo() const { return m_modo; }

    // Why the command failed, in a line of its own after the messages: the
    // file, the folder, the server's answer that the message leaves out.
    void defineCausa(const QString &causa) { m_causa = causa; }
    // The fields of the command's object (--json); a failure adds its
    // exit status, message and cause.
    void defineJson(const QJsonObject &objeto) { m_json = objeto; }
    // The messages held for a failure so far are dropped (logged): an
    // attempt that is tried again.
    void esqueceMensagens();

    // The texts that are this command's result: shown on standard output.
    void defineResultados(const QStringList &textos) { m_resultados = textos; }

    Mensagens::Resposta responde(const Mensagens::Mensagem &mensagem) override;

    // A line of the result on standard output, or the bytes as they are;
    // nothing with --silencioso or --json.
    void saida(const QString &linha);
    void saidaBruta(const QByteArray &dados);
    // A line on standard error, at once.
    void erro(const QString &linha);
    // The text of a failure the command tells itself (not a job's message):
    // held, and shown, like the jobs' messages, when the command fails.
    void falha(const QString &texto);
    // The command line could not be read, for `erro`: said on standard
    // error with where the help is; with --json, the object's message is
    // `erro` and its cause names the wrong usage.
    void usoIncorreto(const QString &erro);

    // The progress line; empty text clears it.
    void progresso(const QString &texto);

    // The command ends with `codigo`: a failure's messages and cause on
    // standard error, the object of --json, the last check of standard
    // output; a command whose output was lost ends with 74.
    int conclui(int codigo);

    // What the user is told when the command's output was lost.
    static QString textoFalhaSaida(int codigo);

private:
    void escreveSaida(const QByteArray &dados);
    void perdeSaida(int codigo);
    void limpaProgresso();
    Mensagens::Resposta pergunta(const Mensagens::Mensagem &mensagem);
    void mostraRetidas();

    Modo m_modo = Modo::Texto;
    QString m_causa;
    QJsonObject m_json;
    // The messages held until the command ends, and the last one's text.
    QList<QByteArray> m_retidas;
    QString m_ultimaMensagem;

    bool m_entradaTerminal;
    bool m_erroTerminal;
    QStringList m_resultados;
    bool m_progressoVisivel = false;
    QElapsedTimer m_desdeProgresso;
    int m_falhaSaida = 0;
    bool m_falhaSaidaDita = false;
};
