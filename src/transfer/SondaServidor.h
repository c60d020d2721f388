#pragma once

#include <QString>
#include <QtGlobal>

struct ConfiguracaoCliente;

// What support asks first of the server: can a connection be made? The
// ports are tried in the order a send tries them, through the settings'
// proxy, each with the connection bound, at most `maximoPortas` of them; the
// first that opens is closed at once. Nothing is sent.
struct SondagemServidor
{
    // The port that opened; 0 when none did.
    quint16 porta = 0;
    // Ports tried, and why each one that did not open did not.
    int tentadas = 0;
    QString motivos;
    QString rota;
};

SondagemServidor sondaServidor(const ConfiguracaoCliente &servidor, int maximoPortas);
