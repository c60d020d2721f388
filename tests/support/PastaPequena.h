#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>

#include "support/SistemaTeste.h"

// A small file system (tmpfs) of `tamanho` ("64k", "2m") mounted on the
// folder `pasta` for as long as the object lives, to fill a disk without
// touching the machine's own. Mounting needs root on Linux, and Windows
// has no such file system: see montada().
class PastaPequena
{
public:
    PastaPequena(const QString &pasta, const QByteArray &tamanho)
        : m_pasta(pasta)
    {
        QDir().mkpath(m_pasta);
        m_montada = SistemaTeste::montaPequena(m_pasta, tamanho);
    }
    ~PastaPequena()
    {
        if (m_montada)
            SistemaTeste::desmonta(m_pasta);
    }
    bool montada() const { return m_montada; }
    QString pasta() const { return m_pasta; }
    QStringList arquivos() const { return QDir(m_pasta).entryList(QDir::Files, QDir::Name); }

private:
    const QString m_pasta;
    bool m_montada = false;
};
