#pragma once

#include <QString>
#include <QtGlobal>

#include <variant>

// How the connection to the upload server goes out: `[servidor] proxy=` in
// the site configuration, or the console's --proxy.
//
//   nenhum                                   a direct connection (the default)
//   sistema                                  the desktop's and the environment's
//                                            proxy for the server's address
//   socks5://[usuario:senha@]host:porta      a SOCKS5 proxy
//   http://[usuario:senha@]host:porta        an HTTP proxy, through CONNECT
//
// The module tavo-rede reads the fields (it has none of this file's code);
// the parser and the route text are the core's.
struct ProxyCliente
{
    enum class Tipo { Nenhum, Sistema, Socks5, Http };

    Tipo tipo = Tipo::Nenhum;
    QString host;
    quint16 porta = 0;
    // Percent-decoded; both empty when the proxy takes no credentials.
    QString usuario;
    QString senha;

    // The value of a setting, or the user's message when it is not one of
    // the forms above. The message never shows a password.
    static std::variant<ProxyCliente, QString> le(const QString &texto);

    // The route for the log and the console's result: "direct", "system",
    // "socks5 usuario@host:porta", "http host:porta". Never the password.
    QString rota() const;

    bool operator==(const ProxyCliente &) const = default;
};
