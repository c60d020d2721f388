#pragma once

#include <QString>

// What a job says to the user and asks of them: notices, yes/no and
// OK/cancel questions, "insert disk i of n" prompts. The window answers
// with its message boxes, the console on its terminal, a test from a
// script. The texts, titles, buttons and icons are the job's; how they are
// shown is the front end's.
namespace Mensagens {

enum class Botoes { Ok, SimNao, OkCancelar };
enum class Icone { Nenhum, Informacao, Pergunta, Exclamacao, Critico };
enum class Resposta { Ok, Sim, Nao, Cancelar };

// One message. An empty title is the application's title.
struct Mensagem
{
    QString texto;
    QString titulo;
    Botoes botoes;
    Icone icone;
};

} // namespace Mensagens

class Interlocutor
{
public:
    virtual ~Interlocutor() = default;

    // Shows the message and returns the answer; anything but Yes or OK
    // counts as No or Cancel.
    virtual Mensagens::Resposta responde(const Mensagens::Mensagem &mensagem) = 0;

    // A notice with only OK.
    void avisa(const QString &texto, Mensagens::Icone icone, const QString &titulo = {})
    {
        responde({texto, titulo, Mensagens::Botoes::Ok, icone});
    }
    Mensagens::Resposta pergunta(const QString &texto, Mensagens::Botoes botoes, Mensagens::Icone icone,
                                 const QString &titulo = {})
    {
        return responde({texto, titulo, botoes, icone});
    }
};
