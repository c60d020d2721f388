#pragma once

#include "common/Interlocutor.h"

#include <QList>
#include <QStringList>

// An interlocutor for tests with nobody at the keyboard: every message is
// answered OK and kept, its text and its icon.
class Anotador : public Interlocutor
{
public:
    Mensagens::Resposta responde(const Mensagens::Mensagem &mensagem) override
    {
        textos.append(mensagem.texto);
        icones.append(mensagem.icone);
        return Mensagens::Resposta::Ok;
    }

    QStringList textos;
    QList<Mensagens::Icone> icones;
};
