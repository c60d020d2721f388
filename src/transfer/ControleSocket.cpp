#include "transfer/ControleSocket.h"

#include "transfer/Windows1252.h"

#include <QTcpSocket>
#include <QTimer>

ControleSocket::ControleSocket(QObject *parent)
    : QObject(parent)
    , m_socket(new QTcpSocket(this))
{
    setObjectName(QStringLiteral("WindowsSocket"));
    connect(m_socket, &QTcpSocket::stateChanged, this, &ControleSocket::aoMudarEstado);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ControleSocket::aoEscrever);
    connect(m_socket, &QTcpSocket::readyRead, this, &ControleSocket::aoChegarDados);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { m_erro = m_socket->errorString(); });
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_testemunha = std::make_unique<PlataformaRede::Testemunha>(m_socket->socketDescriptor());
        Q_EMIT conectou();
    });
    m_vigiaEntrega.setInterval(10);
    connect(&m_vigiaEntrega, &QTimer::timeout, this, &ControleSocket::olhaEntrega);
}

void ControleSocket::fecha()
{
    m_fechandoAqui = true;
    m_socket->abort();
    // The second handle keeps the connection open: it goes with the socket.
    m_testemunha.reset();
    m_vigiaEntrega.stop();
    m_fechandoAqui = false;
    m_envioPendente = false;
    m_leitor.limpa();
    Q_EMIT estadoMudou();
}

void ControleSocket::conecta(const QString &endereco, qint64 porta)
{
    m_erro.clear();
    m_testemunha.reset();
    m_leitor.limpa();
    m_envioPendente = false;
    if (porta < 1 || porta > 65535) {
        Q_EMIT estadoMudou();
        return;
    }
    m_socket->connectToHost(endereco, static_cast<quint16>(porta));
}

QAbstractSocket::SocketState ControleSocket::estado() const
{
    return m_socket->state();
}

bool ControleSocket::conectando() const
{
    const auto e = m_socket->state();
    return e == QAbstractSocket::HostLookupState || e == QAbstractSocket::ConnectingState;
}

bool ControleSocket::conectado() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

bool ControleSocket::envia(const QString &texto)
{
    return envia(Windows1252::codifica(texto));
}

bool ControleSocket::envia(const QByteArray &bloco)
{
    if (!conectado())
        return false;
    if (bloco.isEmpty())
        return true;
    m_envioPendente = true;
    if (m_socket->write(bloco) != bloco.size()) {
        m_envioPendente = false;
        return false;
    }
    // Hand the bytes to the system now: when they all fit, the send is
    // complete before the caller waits, and no event-loop round is needed.
    m_socket->flush();
    return true;
}

qint64 ControleSocket::bytesPorEnviar() const
{
    return m_socket->bytesToWrite();
}

ControleSocket::Entrega ControleSocket::entrega() const
{
    return m_testemunha ? m_testemunha->entrega() : Entrega::Desconhecida;
}

void ControleSocket::acompanhaEntrega(bool ligado)
{
    m_naoConfirmados = m_testemunha ? m_testemunha->naoConfirmados() : -1;
    if (ligado)
        m_vigiaEntrega.start();
    else
        m_vigiaEntrega.stop();
}

void ControleSocket::olhaEntrega()
{
    const qint64 antes = m_naoConfirmados;
    m_naoConfirmados = m_testemunha ? m_testemunha->naoConfirmados() : -1;
    if (antes > m_naoConfirmados && m_naoConfirmados >= 0)
        Q_EMIT progressoEnvio(antes - m_naoConfirmados);
    Q_EMIT entregaMudou();
}

QByteArray ControleSocket::leTudo()
{
    m_leuDuranteAviso = true;
    return m_socket->readAll();
}

void ControleSocket::aoMudarEstado(QAbstractSocket::SocketState novo)
{
    const auto anterior = m_estadoAnterior;
    m_estadoAnterior = novo;
    const bool estavaLigado = anterior == QAbstractSocket::ConnectedState || anterior == QAbstractSocket::ClosingState;
    if (novo == QAbstractSocket::UnconnectedState && estavaLigado && !m_fechandoAqui) {
        m_envioPendente = false;
        Q_EMIT fechadoPeloServidor();
    }
    Q_EMIT estadoMudou();
}

void ControleSocket::aoEscrever(qint64 bytes)
{
    Q_EMIT progressoEnvio(bytes);
    // bytesWritten is not one signal per send: the send is complete when
    // nothing of it is left in the control's buffer.
    if (m_envioPendente && m_socket->bytesToWrite() == 0) {
        m_envioPendente = false;
        Q_EMIT envioCompleto();
    }
}

void ControleSocket::aoChegarDados()
{
    if (m_avisandoDados)
        return;
    m_avisandoDados = true;
    m_leuDuranteAviso = false;
    Q_EMIT dadosChegaram(m_socket->bytesAvailable());
    m_avisandoDados = false;
    // A handler that read and then opened a message box let more data in
    // without a new readyRead (Qt does not repeat it inside its own slot):
    // announce them.
    if (m_leuDuranteAviso && m_socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &ControleSocket::aoChegarDados);
}
