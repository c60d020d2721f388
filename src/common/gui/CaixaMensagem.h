#pragma once

#include "common/Interlocutor.h"

#include <QList>
#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through here. In production it is a
// real QMessageBox; tests install a script that records each box and answers
// it, so that a flow can be driven and every text asserted.
namespace CaixaMensagem {

using Botoes = Mensagens::Botoes;
using Icone = Mensagens::Icone;
using Resposta = Mensagens::Resposta;

// Shows a box and returns the answer. An empty title shows the application's
// title. Closing a box by its close button answers No or Cancel. While the
// box is open (or its script runs) the bounds of the waits are suspended
// (see SuspensaoPrazos).
Resposta mostra(const QString &texto, Botoes botoes, Icone icone, const QString &titulo = {});

// Shorthand for a box with only OK.
inline void aviso(const QString &texto, Icone icone, const QString &titulo = {})
{
    mostra(texto, Botoes::Ok, icone, titulo);
}

// One box as it was shown.
using Registro = Mensagens::Mensagem;

// The jobs' interlocutor of the window: every message is a box shown here.
class Caixas : public Interlocutor
{
public:
    Resposta responde(const Registro &mensagem) override
    {
        return mostra(mensagem.texto, mensagem.botoes, mensagem.icone, mensagem.titulo);
    }
};

// The test seam. While a script is installed no real box is shown: each box
// is recorded and answered by the handler, which gets the box and returns the
// answer.
using Roteiro = std::function<Resposta(const Registro &)>;
void instalaRoteiro(Roteiro roteiro);
void removeRoteiro();

} // namespace CaixaMensagem
