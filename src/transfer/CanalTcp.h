#pragma once

#include "common/ProxyCliente.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

// One TCP connection, as the socket control (ControleSocket) uses it. The
// connection itself is made by the module tavo-rede with Qt Network, loaded
// the first time the program connects; this header is all the two share,
// so it holds no code of either.
class CanalTcp
{
public:
    // The connection's states, in the order a connection goes through them.
    enum class Estado { Fechado, Procurando, Conectando, Conectado, Fechando };

    // What happens to the connection, told as it happens, on the thread
    // that made the channel.
    struct Eventos
    {
        std::function<void(Estado)> estadoMudou;
        std::function<void()> conectou;
        std::function<void(qint64 bytes)> escreveu;
        std::function<void()> chegaramDados;
        std::function<void()> falhou; // `erro()` tells what
    };

    virtual ~CanalTcp() = default;

    // An attempt through `proxy`, applied explicitly: with Nenhum no proxy of
    // the system or the environment is used; with Sistema, the first of the
    // system's proxies for this address and port.
    virtual void conecta(const QString &endereco, quint16 porta, const ProxyCliente &proxy) = 0;
    // The route of the last attempt, for the log: "direct", "socks5
    // usuario@host:porta", "http host:porta", and for Sistema "system: "
    // and what the system gave. Never a password.
    virtual QString rota() const = 0;
    // Drops the connection at once, with whatever was not yet sent.
    virtual void aborta() = 0;
    virtual Estado estado() const = 0;
    // Takes the bytes (all of them, or -1), and hands what it can to the
    // system at once.
    virtual qint64 escreve(const QByteArray &bloco) = 0;
    virtual qint64 porEnviar() const = 0;
    virtual qint64 disponiveis() const = 0;
    virtual QByteArray leTudo() = 0;
    virtual QString erro() const = 0;
    // The system's handle of the connection, -1 when none.
    virtual qintptr descritor() const = 0;
};

// The module's one function, `tavo_cria_canal_tcp`: a closed channel that
// tells `eventos`. The caller owns it.
using CriaCanalTcp = CanalTcp *(*)(CanalTcp::Eventos eventos);
