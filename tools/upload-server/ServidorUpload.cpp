#include "ServidorUpload.h"

#include "SessaoUpload.h"

#include <QTcpServer>
#include <QTcpSocket>

ServidorUpload::ServidorUpload(const ConfiguracaoServidor &configuracao, QObject *parent)
    : QObject(parent)
    , m_configuracao(configuracao)
{
}

int ServidorUpload::inicia()
{
    for (int i = 0; i < m_configuracao.portas; ++i) {
        const int porta = m_configuracao.portaInicial + i;
        auto *servidor = new QTcpServer(this);
        if (porta > 65535 || !servidor->listen(m_configuracao.endereco, static_cast<quint16>(porta))) {
            Q_EMIT registro(QStringLiteral("cannot listen on %1:%2: %3")
                                .arg(m_configuracao.endereco.toString())
                                .arg(porta)
                                .arg(servidor->errorString()));
            delete servidor;
            continue;
        }
        connect(servidor, &QTcpServer::newConnection, this, [this, servidor] { aoConectar(servidor); });
        m_servidores.append(servidor);
    }
    return static_cast<int>(m_servidores.size());
}

QList<quint16> ServidorUpload::portasAbertas() const
{
    QList<quint16> portas;
    for (const QTcpServer *servidor : m_servidores)
        portas.append(servidor->serverPort());
    return portas;
}

void ServidorUpload::aoConectar(QTcpServer *servidor)
{
    while (QTcpSocket *socket = servidor->nextPendingConnection()) {
        if (m_configuracao.maxSessoes > 0 && m_sessoes >= m_configuracao.maxSessoes) {
            // Overloaded: closed before a word is said, as a busy server
            // does, so that the client tries again later.
            Q_EMIT registro(QStringLiteral("%1:%2 -> port %3: %4 sessions already, connection closed unanswered")
                                .arg(socket->peerAddress().toString())
                                .arg(socket->peerPort())
                                .arg(socket->localPort())
                                .arg(m_sessoes));
            socket->close();
            socket->deleteLater();
            continue;
        }
        m_brutos.clear();
        auto *sessao = new SessaoUpload(socket, m_configuracao, *this);
        socket->setParent(sessao);
        sessao->setParent(this);
        // The place is free again once the session is gone, whichever way it ended.
        ++m_sessoes;
        connect(sessao, &QObject::destroyed, this, [this] { --m_sessoes; });
    }
}
