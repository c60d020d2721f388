#pragma once

#include <QList>
#include <QObject>

#include <chrono>
#include <functional>

class ControleSocket;

// How a wait ended.
enum class FimEspera {
    Pronta,      // the condition holds
    Cancelada,   // "Cancelar" was pressed (or the window is closing)
    Fechada,     // the connection is no longer open
    Esgotada,    // the time bound passed
    Interrompida // the application is quitting: its event loops were told to end
};

// The one way the transfer waits: a local event loop runs until the
// condition holds, the cancel test turns true, the connection closes (in a
// session wait), or the bound passes. The socket's events, the clicks and
// anything else added with `acordaCom` wake it to test again; it never polls.
// The bound stands still while a message box opened during the wait is open.
class Espera
{
public:
    enum class Modo {
        Sessao,  // also ends when the connection is not open
        Conexao, // a connection attempt: a closed socket is no reason to stop
    };

    Espera(ControleSocket &socket, std::function<bool()> cancelada);
    ~Espera();
    Espera(const Espera &) = delete;
    Espera &operator=(const Espera &) = delete;

    // Another signal after which the tests are made again.
    template <typename Emissor, typename Sinal> void acordaCom(const Emissor *emissor, Sinal sinal)
    {
        m_ligacoes.append(QObject::connect(emissor, sinal, &m_contexto, [this] { verifica(); }));
    }

    // Runs until the condition holds or another end comes. Send progress
    // starts the bound again.
    FimEspera ate(const std::function<bool()> &condicao, std::chrono::milliseconds limite, Modo modo = Modo::Sessao);

    // Lets what arrived meanwhile (a server message, a click) run once, when
    // a send completed without a wait.
    static void cede();

private:
    void verifica();

    ControleSocket &m_socket;
    std::function<bool()> m_cancelada;
    QObject m_contexto;
    QList<QMetaObject::Connection> m_ligacoes;
    std::function<void()> m_verificaAtual;
    std::function<void()> m_renovaAtual;
};
