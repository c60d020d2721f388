// The module tavo-rede: the TCP connection of the socket control, made with
// Qt Network. It is a library of its own so that the program loads Qt
// Network (and what it brings: proxy, Kerberos and TLS libraries) only when
// it connects, not when the window starts.
#include "transfer/CanalTcp.h"

#include <QNetworkProxy>
#include <QTcpSocket>

namespace {

// The route of a proxy of Qt's, as ProxyCliente::rota() writes it.
QString rotaDe(const QNetworkProxy &proxy)
{
    QString tipo;
    switch (proxy.type()) {
    case QNetworkProxy::NoProxy:
        return QStringLiteral("direct");
    case QNetworkProxy::Socks5Proxy:
        tipo = QStringLiteral("socks5 ");
        break;
    case QNetworkProxy::HttpProxy:
        tipo = QStringLiteral("http ");
        break;
    case QNetworkProxy::DefaultProxy:
    case QNetworkProxy::HttpCachingProxy:
    case QNetworkProxy::FtpCachingProxy:
        tipo = QStringLiteral("proxy type %1 ").arg(static_cast<int>(proxy.type()));
        break;
    }
    const QString host = proxy.hostName();
    const QString nome = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return tipo + (proxy.user().isEmpty() ? QString() : proxy.user() + QLatin1Char('@')) + nome + QLatin1Char(':')
           + QString::number(proxy.port());
}

// The proxy of one attempt. Nenhum is Qt's NoProxy, set explicitly: the
// socket's default would take an application-wide or system proxy. For
// Sistema the system is asked for this very address and port
// (QNetworkProxyFactory::systemProxyForQuery; on Linux, Qt asks libproxy,
// which reads the desktop's settings and, outside a desktop, http_proxy);
// its first answer is used.
QNetworkProxy proxyDe(const ProxyCliente &proxy, const QString &endereco, quint16 porta)
{
    switch (proxy.tipo) {
    case ProxyCliente::Tipo::Nenhum:
        break;
    case ProxyCliente::Tipo::Sistema: {
        const QList<QNetworkProxy> lista = QNetworkProxyFactory::systemProxyForQuery(
            QNetworkProxyQuery(endereco, porta, QString(), QNetworkProxyQuery::TcpSocket));
        if (!lista.isEmpty() && lista.first().type() != QNetworkProxy::DefaultProxy)
            return lista.first();
        break;
    }
    case ProxyCliente::Tipo::Socks5:
        return QNetworkProxy(QNetworkProxy::Socks5Proxy, proxy.host, proxy.porta, proxy.usuario, proxy.senha);
    case ProxyCliente::Tipo::Http:
        return QNetworkProxy(QNetworkProxy::HttpProxy, proxy.host, proxy.porta, proxy.usuario, proxy.senha);
    }
    return QNetworkProxy(QNetworkProxy::NoProxy);
}

CanalTcp::Estado estadoDe(QAbstractSocket::SocketState estado)
{
    switch (estado) {
    case QAbstractSocket::HostLookupState:
        return CanalTcp::Estado::Procurando;
    case QAbstractSocket::ConnectingState:
        return CanalTcp::Estado::Conectando;
    case QAbstractSocket::ConnectedState:
        return CanalTcp::Estado::Conectado;
    case QAbstractSocket::ClosingState:
        return CanalTcp::Estado::Fechando;
    case QAbstractSocket::UnconnectedState:
    case QAbstractSocket::BoundState:
    case QAbstractSocket::ListeningState:
        break;
    }
    return CanalTcp::Estado::Fechado;
}

class CanalQt final : public CanalTcp
{
public:
    explicit CanalQt(Eventos eventos)
        : m_eventos(std::move(eventos))
    {
        QObject::connect(&m_socket, &QTcpSocket::stateChanged, &m_socket,
                         [this](QAbstractSocket::SocketState novo) { m_eventos.estadoMudou(estadoDe(novo)); });
        QObject::connect(&m_socket, &QTcpSocket::connected, &m_socket, [this] { m_eventos.conectou(); });
        QObject::connect(&m_socket, &QTcpSocket::bytesWritten, &m_socket,
                         [this](qint64 bytes) { m_eventos.escreveu(bytes); });
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { m_eventos.chegaramDados(); });
        QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &m_socket, [this] { m_eventos.falhou(); });
    }

    // The socket goes after this object's events: it must tell them nothing
    // while it closes.
    ~CanalQt() override { m_socket.disconnect(); }

    CanalQt(const CanalQt &) = delete;
    CanalQt &operator=(const CanalQt &) = delete;

    void conecta(const QString &endereco, quint16 porta, const ProxyCliente &proxy) override
    {
        const QNetworkProxy escolhido = proxyDe(proxy, endereco, porta);
        m_rota = proxy.tipo == ProxyCliente::Tipo::Sistema ? QStringLiteral("system: ") + rotaDe(escolhido)
                                                           : rotaDe(escolhido);
        m_socket.setProxy(escolhido);
        m_socket.connectToHost(endereco, porta);
    }

    QString rota() const override { return m_rota; }
    void aborta() override { m_socket.abort(); }
    Estado estado() const override { return estadoDe(m_socket.state()); }

    qint64 escreve(const QByteArray &bloco) override
    {
        const qint64 aceitos = m_socket.write(bloco);
        m_socket.flush();
        return aceitos;
    }

    qint64 porEnviar() const override { return m_socket.bytesToWrite(); }
    qint64 disponiveis() const override { return m_socket.bytesAvailable(); }
    QByteArray leTudo() override { return m_socket.readAll(); }
    QString erro() const override { return m_socket.errorString(); }
    qintptr descritor() const override { return m_socket.socketDescriptor(); }

private:
    Eventos m_eventos;
    QString m_rota = QStringLiteral("direct");
    QTcpSocket m_socket;
};

} // namespace

extern "C" Q_DECL_EXPORT CanalTcp *tavo_cria_canal_tcp(CanalTcp::Eventos eventos)
{
    return new CanalQt(std::move(eventos));
}
