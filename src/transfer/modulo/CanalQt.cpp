// The module tavo-rede: the TCP connection of the socket control, made with
// Qt Network. It is a library of its own so that the program loads Qt
// Network (and what it brings: proxy, Kerberos and TLS libraries) only when
// it connects, not when the window starts.
#include "transfer/CanalTcp.h"

#include <QTcpSocket>

namespace {

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

    void conecta(const QString &endereco, quint16 porta) override { m_socket.connectToHost(endereco, porta); }
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
    QTcpSocket m_socket;
};

} // namespace

extern "C" Q_DECL_EXPORT CanalTcp *tavo_cria_canal_tcp(CanalTcp::Eventos eventos)
{
    return new CanalQt(std::move(eventos));
}
