#include "common/ProxyCliente.h"

#include <QUrl>

namespace {

const QString kFormas =
    QStringLiteral("Use nenhum, sistema, socks5://[usuario:senha@]host:porta ou http://[usuario:senha@]host:porta.");

// The value as the message may show it: a password is replaced by asterisks.
QString semSenha(const QString &texto)
{
    const qsizetype esquema = texto.indexOf(QStringLiteral("://"));
    const qsizetype arroba = texto.lastIndexOf(QLatin1Char('@'));
    if (esquema < 0 || arroba < esquema)
        return texto;
    const qsizetype doisPontos = texto.indexOf(QLatin1Char(':'), esquema + 3);
    if (doisPontos < 0 || doisPontos > arroba)
        return texto;
    return texto.left(doisPontos + 1) + QStringLiteral("***") + texto.mid(arroba);
}

QString invalido(const QString &texto, const QString &motivo)
{
    return QStringLiteral("Proxy inválido \"%1\": %2. ").arg(semSenha(texto), motivo) + kFormas;
}

} // namespace

std::variant<ProxyCliente, QString> ProxyCliente::le(const QString &texto)
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
