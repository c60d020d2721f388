#include "common/TravaPrograma.h"

#include "common/Caminhos.h"
#include "common/Log.h"

#include <QDir>
#include <QLockFile>

TravaPrograma::TravaPrograma()
{
    const QString pasta = Caminhos::pastaPrograma();
    if (!QDir().mkpath(pasta)) {
        qCWarning(lcPrograma).noquote() << "Program folder cannot be created, running without the one-client lock:"
                                        << pasta;
        return;
    }
    m_arquivo = std::make_unique<QLockFile>(pasta + QStringLiteral("/tavo-upload.lock"));
    // A lock is stale only when the client that took it is gone, however
    // long a client has been open.
    m_arquivo->setStaleLockTime(0);
    if (m_arquivo->tryLock(0)) {
        m_situacao = Situacao::Tomada;
        return;
    }
    // A lock file that names no client (cut short by a power failure, say)
    // is left over, not held: with no age limit it would never go stale.
    qint64 pid = 0;
    QString maquina;
    QString programa;
    if (m_arquivo->error() == QLockFile::LockFailedError && !m_arquivo->getLockInfo(&pid, &maquina, &programa)
        && m_arquivo->removeStaleLockFile() && m_arquivo->tryLock(0)) {
        m_situacao = Situacao::Tomada;
        return;
    }
    m_situacao = m_arquivo->error() == QLockFile::LockFailedError ? Situacao::Ocupada : Situacao::SemTrava;
    if (m_situacao == Situacao::SemTrava)
        qCWarning(lcPrograma).noquote() << "One-client lock not taken in" << pasta
                                        << "(the folder cannot be written), lock error"
                                        << static_cast<int>(m_arquivo->error());
    else
        qCInfo(lcPrograma).noquote() << "Program folder" << pasta << "held by another client, pid" << pid << "on"
                                     << maquina << programa;
    m_arquivo.reset();
}

TravaPrograma::~TravaPrograma() = default;
