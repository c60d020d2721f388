#pragma once

#include "common/Esperado.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>
#include <utility>

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
//
// The password may also stay out of the value (the command line is seen by
// every user of the machine): TAVO_PROXY_SENHA, or `proxy_senha` in the
// user's own file (OpcoesTransferencia, common/Instalacao.h), serves a value
// written with a user name and no password.
struct ProxyCliente
{
    enum class Tipo { Nenhum, Sistema, Socks5, Http };

    Tipo tipo = Tipo::Nenhum;
    QString host;
    quint16 porta = 0;
    // Percent-decoded; both empty when the proxy takes no credentials.
    QString usuario;
    QString senha;

    // The value of a setting, or, when it is not one of the forms above,
    // ErroTavo(Erros::ArgumentoInvalido) with the user's message, which
    // never shows a password.
    static Esperado<ProxyCliente> le(const QString &texto);

    // The route for the log and the console's result: "direct", "system",
    // "socks5 usuario@host:porta", "http host:porta". Never the password.
    QString rota() const;

    // Where the password lies in a value as written, valid or not: from
    // after the first ":" that follows a scheme-like prefix ("socks5://",
    // or a misspelt "socks5:/", "http//") to the last "@", as [inicio, fim).
    // Without such a prefix the first ":" of the value counts. Nothing when
    // there is no "@", no ":" before it, or no character between them.
    using Trecho = std::pair<qsizetype, qsizetype>;
    static std::optional<Trecho> trechoDaSenha(QStringView texto);
    // The same on the bytes of an argument (the delimiters are ASCII).
    static std::optional<Trecho> trechoDaSenha(QByteArrayView texto);

    // A value as written with its password replaced by "***": the one form
    // in which a value (valid or not) reaches a message, the log or JSON.
    static QString semSenha(const QString &texto);

    bool operator==(const ProxyCliente &) const = default;
};
