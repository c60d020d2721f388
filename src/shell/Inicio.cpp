#include "shell/Inicio.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "store/ConversaoBancoLocal.h"
#include "store/Provisionamento.h"

#include <QDebug>
#include <QDir>

bool Inicio::prepara()
{
    if (!trava())
        return false;

    const QString banco = Caminhos::naPastaPrograma(Caminhos::bancoLocal());
    try {
        const QString copia = converteBancoLocal(banco);
        if (!copia.isEmpty())
            qInfo().noquote() << "Local database converted from the Access format:" << banco << "- original kept as" << copia;
    } catch (const ErroTavo &erro) {
        qWarning().noquote() << "Local database not converted:" << banco << "-" << erro.descricao();
        CaixaMensagem::aviso(QStringLiteral("Não foi possível converter o banco de dados local \"%1\" do formato do Access.")
                                     .arg(banco)
                                 + QStringLiteral("\r\n") + erro.descricao() + QStringLiteral("\r\n")
                                 + QStringLiteral("O arquivo original não foi alterado. Até que a conversão seja feita, "
                                                  "nenhuma alteração poderá ser gravada."),
                             CaixaMensagem::Icone::Critico, QStringLiteral("TAVO"));
    }

    try {
        garanteBancoLocal();
    } catch (const ErroTavo &) {
        // The window's load reports the database it cannot read.
    }
    return true;
}

bool Inicio::trava()
{
    const QString pasta = Caminhos::pastaPrograma();
    if (!QDir().mkpath(pasta)) {
        qWarning().noquote() << "Program folder cannot be created, running without the one-client lock:" << pasta;
        return true;
    }
    m_trava = std::make_unique<QLockFile>(pasta + QStringLiteral("/tavo-upload.lock"));
    // A lock is stale only when the client that took it is gone, however
    // long a client has been open.
    m_trava->setStaleLockTime(0);
    if (m_trava->tryLock(0))
        return true;
    // A lock file that names no client (cut short by a power failure, say)
    // is left over, not held: with no age limit it would never go stale.
    qint64 pid = 0;
    QString maquina;
    QString programa;
    if (m_trava->error() == QLockFile::LockFailedError && !m_trava->getLockInfo(&pid, &maquina, &programa)
        && m_trava->removeStaleLockFile() && m_trava->tryLock(0))
        return true;
    if (m_trava->error() == QLockFile::LockFailedError) {
        m_trava.reset();
        CaixaMensagem::aviso(QStringLiteral("O TAVO - Upload já está aberto."), CaixaMensagem::Icone::Informacao,
                             QStringLiteral("TAVO"));
        return false;
    }
    // A folder where no lock can be made (read-only): the client still runs.
    qWarning().noquote() << "One-client lock not taken in" << pasta << "(the folder cannot be written)";
    m_trava.reset();
    return true;
}
