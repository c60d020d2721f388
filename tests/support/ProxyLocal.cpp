#include "support/ProxyLocal.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

ProxyLocal::~ProxyLocal()
{
    if (m_processo.state() != QProcess::NotRunning) {
        m_processo.kill();
        m_processo.waitForFinished(5000);
    }
}

bool ProxyLocal::inicia(const QString &programa, const QStringList &argumentos, quint16 porta)
{
    m_processo.setProcessChannelMode(QProcess::MergedChannels);
    m_processo.start(programa, argumentos);
    if (!m_processo.waitForStarted(5000)) {
        erro = m_processo.errorString();
        return false;
    }
    const QDeadlineTimer prazo(5000);
    while (!prazo.hasExpired()) {
        QTcpSocket sonda;
        sonda.connectToHost(QHostAddress::LocalHost, porta);
        if (sonda.waitForConnected(200))
            return true;
        if (m_processo.state() == QProcess::NotRunning)
            break;
        QTest::qWait(50);
    }
    erro = QString::fromLocal8Bit(m_processo.readAll());
    return false;
}
