#include "support/ProcessoServidor.h"

#include <QRegularExpression>
#include <QTest>

#include <QFile>

#include "support/SistemaTeste.h"

ProcessoServidor::~ProcessoServidor()
{
    if (m_processo.state() != QProcess::NotRunning) {
        m_processo.kill();
        m_processo.waitForFinished(5000);
    }
}

quint16 ProcessoServidor::inicia(const QStringList &argumentos, quint16 porta)
{
    m_processo.setProcessChannelMode(QProcess::MergedChannels);
    SistemaTeste::limitaDescritores(m_processo, m_descritores);
    m_processo.start(
        QStringLiteral(TAVO_UPLOAD_SERVER),
        argumentos
            + QStringList{QStringLiteral("--port"), QString::number(porta), QStringLiteral("--dir"), m_pasta.path()});
    if (!QTest::qWaitFor([this] { return saida().contains(QLatin1String("listening on 127.0.0.1")); }, 10000))
        return 0;
    static const QRegularExpression aberta(QStringLiteral("port\\(s\\) ([0-9]+),"));
    return quint16(aberta.match(saida()).captured(1).toUInt());
}

QString ProcessoServidor::saida()
{
    m_texto += QString::fromUtf8(m_processo.readAll());
    return m_texto;
}

double ProcessoServidor::cpuSegundos() const
{
    return SistemaTeste::cpuSegundos(m_processo.processId());
}
