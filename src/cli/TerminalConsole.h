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
class TerminalConsole : public Interlocutor
{
public:
    // How long a question waits for its answer.
    static constexpr std::chrono::minutes kPrazoResposta{15};

    TerminalConsole();

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

private:
    void limpaProgresso();
    Mensagens::Resposta pergunta(const Mensagens::Mensagem &mensagem);

    bool m_entradaTerminal;
    bool m_erroTerminal;
    QStringList m_resultados;
    bool m_progressoVisivel = false;
    QElapsedTimer m_desdeProgresso;
};
