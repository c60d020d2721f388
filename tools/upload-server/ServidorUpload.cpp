#include "ServidorUpload.h"

#include "Recebimento.h"
#include "SessaoUpload.h"

#include "common/plataforma/PlataformaArquivos.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// When the system refuses to hand over a connection (out of descriptors,
// say), the port stops accepting; it tries again after this pause.
constexpr int kPausaAceiteMs = 1000;
// Open files kept for what is not a session's: the ports, the log, the
// event loop, a package's envio.txt being written.
constexpr qint64 kArquivosReservados = 32;

} // namespace

ServidorUpload::ServidorUpload(const ConfiguracaoServidor &configuracao, QObject *parent)
    : QObject(parent)
    , m_configuracao(configuracao)
{
}

int ServidorUpload::inicia()
{
    // A session holds its connection and, while a package arrives, its
    // temporary file: two open files.
    if (const qint64 limite = PlataformaArquivos::limiteArquivosAbertos(); limite > 0)
        m_sessoesPossiveis = int(qBound(qint64(1), (limite - kArquivosReservados) / 2, qint64(1) << 20));
    for (const QString &resto : Recebimento::limpaRestos(m_configuracao.pasta))
        Q_EMIT registro(QStringLiteral("removed %1, left by an earlier run in the middle of a package").arg(resto));
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
        // One connection at most waits accepted: beyond it the system keeps
        // them, until a session ends (see aoConectar).
        servidor->setMaxPendingConnections(1);
        connect(servidor, &QTcpServer::newConnection, this, [this, servidor] { aoConectar(servidor); });
        connect(servidor, &QTcpServer::acceptError, this, [this, servidor] {
            Q_EMIT registro(QStringLiteral("port %1: cannot accept a connection: %2; trying again in %3 s")
                                .arg(servidor->serverPort())
                                .arg(servidor->errorString())
                                .arg(kPausaAceiteMs / 1000));
            servidor->pauseAccepting();
            QTimer::singleShot(kPausaAceiteMs, servidor, [servidor] { servidor->resumeAccepting(); });
        });
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

bool ServidorUpload::lotado() const
{
    return m_sessoesPossiveis > 0 && m_sessoes >= m_sessoesPossiveis;
}

void ServidorUpload::aoConectar(QTcpServer *servidor)
{
    // Out of open files, the system would refuse every connection while the
    // port stays ready: the process would spin. So once the sessions fill
    // what the limit allows, the next connection is left waiting and the
    // port pauses until a session ends.
    while (servidor->hasPendingConnections()) {
        if (lotado()) {
            if (!std::exchange(m_lotadoRegistrado, true))
                Q_EMIT registro(QStringLiteral("%1 sessions, as many as the limit of open files allows; new "
                                               "connections wait until one ends")
                                    .arg(m_sessoes));
            return;
        }
        QTcpSocket *socket = servidor->nextPendingConnection();
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
        connect(sessao, &QObject::destroyed, this, [this] {
            --m_sessoes;
            if (m_lotadoRegistrado && !lotado()) {
                m_lotadoRegistrado = false;
                for (QTcpServer *porta : std::as_const(m_servidores))
                    aoConectar(porta);
            }
        });
    }
}
