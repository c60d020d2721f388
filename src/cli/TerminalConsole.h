#pragma once

#include "common/Interlocutor.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>

// The jobs' interlocutor on a terminal. A message that is the command's
// result goes to standard output; every other one to standard error, its
// title (when it has one) on the line above its text. A question is asked on
// standard error and answered on standard input when that is a terminal;
// without one, or when nobody answers in time, it counts as No or Cancel.
// Progress shows, on one line rewritten in place, only when standard error is
// a terminal.
//
// A write to standard output that fails (a full disk, a closed pipe, a
// standard output found closed at start) loses the command's result: it is
// said once on standard error, nothing more goes to standard output, and the
// command fails (conclui()).
class TerminalConsole : public Interlocutor
{
public:
    // How long a question waits for its answer.
    static constexpr std::chrono::minutes kPrazoResposta{15};

    // `saidaFechada`: standard output was found closed at start; nothing
    // written to it reaches anyone.
    explicit TerminalConsole(bool saidaFechada = false);

    // The texts that are this command's result: shown on standard output.
    void defineResultados(const QStringList &textos) { m_resultados = textos; }

    Mensagens::Resposta responde(const Mensagens::Mensagem &mensagem) override;

    // A line on standard output, or the bytes as they are.
    void saida(const QString &linha);
    void saidaBruta(const QByteArray &dados);
    // A line on standard error.
    void erro(const QString &linha);

    // The progress line; empty text clears it.
    void progresso(const QString &texto);

    // The system's error of the first write to standard output that failed;
    // 0 while none did.
    int falhaSaida() const { return m_falhaSaida; }

    // The command ends with `codigo`: the last check of standard output, and
    // a success whose output was lost becomes a failure.
    int conclui(int codigo);

    // What the user is told when the command's output was lost.
    static QString textoFalhaSaida(int codigo);

private:
    void escreveSaida(const QByteArray &dados);
    void perdeSaida(int codigo);
    void limpaProgresso();
    Mensagens::Resposta pergunta(const Mensagens::Mensagem &mensagem);

    bool m_entradaTerminal;
    bool m_erroTerminal;
    QStringList m_resultados;
    bool m_progressoVisivel = false;
    QElapsedTimer m_desdeProgresso;
    int m_falhaSaida = 0;
    bool m_falhaSaidaDita = false;
};
