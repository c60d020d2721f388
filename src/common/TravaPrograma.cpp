#include "common/TravaPrograma.h"

#include "common/Log.h"
#include "common/PastaUsuarios.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <cerrno>

TravaPrograma::TravaPrograma(const QString &pasta)
{
    if (!PastaUsuarios::cria(pasta)) {
        qCWarning(lcPrograma).noquote() << "Program folder cannot be created, running without the one-client lock:"
                                        << pasta;
        return;
    }
    m_caminho = pasta + QStringLiteral("/tavo-upload.lock");
    // What another client is told of this one: process, program, machine.
    const QByteArray quem = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
                            + QCoreApplication::applicationName().toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8()
                            + '\n';
    // The lock is the system's, on the open file: a client that ended in any
    // way (a crash, a power failure) holds nothing, whatever its file says.
    const int codigo = m_arquivo.abreTrava(m_caminho, quem);
    if (codigo == 0) {
        m_situacao = Situacao::Tomada;
        return;
    }
    if (codigo == EWOULDBLOCK) {
        m_situacao = Situacao::Ocupada;
        QFile arquivo(m_caminho);
        const QByteArray dono = arquivo.open(QIODevice::ReadOnly) ? arquivo.read(512) : QByteArray();
        qCInfo(lcPrograma).noquote()
            << "Program folder" << pasta << "held by another client:"
            << QString::fromUtf8(dono).split(QLatin1Char('\n')).mid(0, 3).join(QLatin1Char(' '));
        return;
    }
    m_codigo = codigo;
    // Running without the lock is only for a folder where nothing can be
    // written, so nothing two clients do there can collide. Anywhere else (a
    // folder in the lock's place, say) two clients would convert, provision
    // and empty the same files at once.
    if (PlataformaArquivos::podeGravar(pasta)) {
        m_situacao = Situacao::Falhou;
        qCCritical(lcPrograma).noquote() << "One-client lock" << m_caminho
                                         << "cannot be taken:" << PlataformaArquivos::textoDoSistema(codigo);
        return;
    }
    m_situacao = Situacao::SemTrava;
    qCWarning(lcPrograma).noquote() << "One-client lock not taken in" << pasta
                                    << "(the folder cannot be written):" << PlataformaArquivos::textoDoSistema(codigo);
}

QString TravaPrograma::textoFalha() const
{
    if (m_codigo == PlataformaArquivos::AtalhoAlheio)
        return PlataformaArquivos::textoDoSistema(m_codigo);
    return QStringLiteral("Não foi possível usar a trava \"%1\": %2.")
        .arg(m_caminho, PlataformaArquivos::textoDoSistema(m_codigo));
}

TravaPrograma::~TravaPrograma()
{
    if (m_situacao != Situacao::Tomada)
        return;
    m_arquivo.largaTrava(m_caminho);
}
