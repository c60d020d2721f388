#include "common/ProxyCliente.h"

#include <QUrl>

namespace {

const QString kFormas =
    QStringLiteral("Use nenhum, sistema, socks5://[usuario:senha@]host:porta ou http://[usuario:senha@]host:porta.");

char16_t unidade(QChar c)
{
    return c.unicode();
}

char16_t unidade(char c)
{
    return static_cast<unsigned char>(c);
}

bool letra(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

template <typename Vista> std::optional<ProxyCliente::Trecho> trecho(Vista texto)
{
    const qsizetype tamanho = texto.size();
    const auto em = [&texto](qsizetype i) { return unidade(texto.at(i)); };
    qsizetype arroba = tamanho - 1;
    while (arroba >= 0 && em(arroba) != u'@')
        --arroba;
    if (arroba < 0)
        return std::nullopt;
    // The scheme-like prefix: blanks, a word, an optional ":" and at least
    // one slash. A word and ":" alone are not one: that ":" may be the
    // user's, and the password then starts after it.
    qsizetype inicio = 0;
    qsizetype i = 0;
    while (i < tamanho && (em(i) == u' ' || em(i) == u'\t'))
        ++i;
    if (i < tamanho && letra(em(i))) {
        while (i < tamanho
               && (letra(em(i)) || (em(i) >= u'0' && em(i) <= u'9') || em(i) == u'+' || em(i) == u'-' || em(i) == u'.'))
            ++i;
        if (i < tamanho && em(i) == u':')
            ++i;
        const qsizetype barras = i;
        while (i < tamanho && (em(i) == u'/' || em(i) == u'\\'))
            ++i;
        if (i > barras)
            inicio = i;
    }
    qsizetype doisPontos = inicio;
    while (doisPontos < arroba && em(doisPontos) != u':')
        ++doisPontos;
    if (doisPontos + 1 >= arroba)
        return std::nullopt;
    return ProxyCliente::Trecho{doisPontos + 1, arroba};
}

ErroTavo invalido(const QString &texto, const QString &motivo)
{
    return ErroTavo(Erros::ArgumentoInvalido,
                    QStringLiteral("Proxy inválido \"%1\": %2. ").arg(ProxyCliente::semSenha(texto), motivo) + kFormas);
}

} // namespace

Esperado<ProxyCliente> ProxyCliente::le(const QString &texto)
{
    const QString valor = texto.trimmed();
    ProxyCliente proxy;
    if (valor.compare(QLatin1String("nenhum"), Qt::CaseInsensitive) == 0)
        return proxy;
    if (valor.compare(QLatin1String("sistema"), Qt::CaseInsensitive) == 0) {
        proxy.tipo = Tipo::Sistema;
        return proxy;
    }

    const qsizetype separador = valor.indexOf(QStringLiteral("://"));
    const QString esquema = separador > 0 ? valor.left(separador).toLower() : QString();
    if (esquema != QLatin1String("socks5") && esquema != QLatin1String("http"))
        return invalido(texto, QStringLiteral("forma desconhecida"));
    const QUrl url(valor, QUrl::StrictMode);
    if (!url.isValid())
        return invalido(texto, QStringLiteral("endereço ou porta inválidos"));
    if (url.host().isEmpty())
        return invalido(texto, QStringLiteral("falta o endereço do proxy"));
    if (url.port() < 1)
        return invalido(texto, QStringLiteral("falta a porta do proxy (1 a 65535)"));
    if (!(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery() || url.hasFragment())
        return invalido(texto, QStringLiteral("nada pode seguir a porta"));
    if (!url.password().isEmpty() && url.userName().isEmpty())
        return invalido(texto, QStringLiteral("senha sem usuário"));

    proxy.tipo = esquema == QLatin1String("socks5") ? Tipo::Socks5 : Tipo::Http;
    proxy.host = url.host();
    proxy.porta = static_cast<quint16>(url.port());
    proxy.usuario = url.userName(QUrl::FullyDecoded);
    proxy.senha = url.password(QUrl::FullyDecoded);
    return proxy;
}

QString ProxyCliente::rota() const
{
    switch (tipo) {
    case Tipo::Nenhum:
        return QStringLiteral("direct");
    case Tipo::Sistema:
        return QStringLiteral("system");
    case Tipo::Socks5:
    case Tipo::Http:
        break;
    }
    const QString nome = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return (tipo == Tipo::Socks5 ? QStringLiteral("socks5 ") : QStringLiteral("http "))
           + (usuario.isEmpty() ? QString() : usuario + QLatin1Char('@')) + nome + QLatin1Char(':')
           + QString::number(porta);
}

std::optional<ProxyCliente::Trecho> ProxyCliente::trechoDaSenha(QStringView texto)
{
    return trecho(texto);
}

std::optional<ProxyCliente::Trecho> ProxyCliente::trechoDaSenha(QByteArrayView texto)
{
    return trecho(texto);
}

QString ProxyCliente::semSenha(const QString &texto)
{
    const std::optional<Trecho> senha = trechoDaSenha(QStringView(texto));
    if (!senha)
        return texto;
    return texto.left(senha->first) + QStringLiteral("***") + texto.mid(senha->second);
}
