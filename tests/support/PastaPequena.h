#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sys/mount.h>
#include <unistd.h>

// A small file system (tmpfs) of `tamanho` ("64k", "2m") mounted on the
// folder `pasta` for as long as the object lives, to fill a disk without
// touching the machine's own. Mounting needs root: see montada().
class PastaPequena
{
public:
    PastaPequena(const QString &pasta, const QByteArray &tamanho)
        : m_pasta(pasta)
    {
        QDir().mkpath(m_pasta);
        m_montada = ::geteuid() == 0
                    && ::mount("tmpfs", QFile::encodeName(m_pasta).constData(), "tmpfs", 0,
                               QByteArray("size=" + tamanho).constData())
                           == 0;
    }
    ~PastaPequena()
    {
        if (m_montada)
            ::umount2(QFile::encodeName(m_pasta).constData(), MNT_DETACH);
    }
    bool montada() const { return m_montada; }
    QString pasta() const { return m_pasta; }
    QStringList arquivos() const { return QDir(m_pasta).entryList(QDir::Files, QDir::Name); }

private:
    const QString m_pasta;
    bool m_montada = false;
};
