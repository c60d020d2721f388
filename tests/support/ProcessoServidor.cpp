#include "support/ProcessoServidor.h"

#include <QRegularExpression>
#include <QTest>

#include <QFile>

#include <sys/resource.h>
#include <unistd.h>

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
    if (const rlim_t limite = rlim_t(m_descritores); limite > 0)
        m_processo.setChildProcessModifier([limite] {
            const rlimit descritores{limite, limite};
            ::setrlimit(RLIMIT_NOFILE, &descritores);
        });
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
    QFile estado(QStringLiteral("/proc/%1/stat").arg(m_processo.processId()));
    if (!estado.open(QIODevice::ReadOnly))
        return -1;
    // After the command's name in parentheses: state is field 3, user and
    // system time (in clock ticks) fields 14 and 15.
    const QList<QByteArray> campos = estado.readAll().split(')').last().trimmed().split(' ');
    return campos.size() > 12
               ? double(campos.at(11).toLongLong() + campos.at(12).toLongLong()) / double(::sysconf(_SC_CLK_TCK))
               : -1;
}
