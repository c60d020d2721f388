#include "common/plataforma/PlataformaArquivos.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

std::mutex g_mutexAtalho;
QString g_atalhoRecusado;
std::atomic<quint64> g_recusas{0};
thread_local bool t_semContar = false;

} // namespace

// What both systems share: the meaning of an error number (Windows' own
// errors come here already translated).
namespace PlataformaArquivos {

void registraAtalhoRecusado(const QString &caminho)
{
    {
        const std::lock_guard<std::mutex> trava(g_mutexAtalho);
        g_atalhoRecusado = caminho;
    }
    if (!t_semContar)
        ++g_recusas;
}

QString atalhoRecusado()
{
    const std::lock_guard<std::mutex> trava(g_mutexAtalho);
    return g_atalhoRecusado;
}

quint64 recusasDeAtalho()
{
    return g_recusas.load();
}

AtalhosNaoContam::AtalhosNaoContam()
    : m_antes(t_semContar)
{
    t_semContar = true;
}

AtalhosNaoContam::~AtalhosNaoContam()
{
    t_semContar = m_antes;
}

bool donoConfiavel(const QString &sidDono, const QString &sidUsuario, const QString &sidDonoPasta)
{
    if (sidDono.isEmpty())
        return false;
    const auto mesmo = [&sidDono](const QString &outro) { return sidDono.compare(outro, Qt::CaseInsensitive) == 0; };
    return mesmo(sidUsuario) || mesmo(QStringLiteral("S-1-5-32-544")) || mesmo(QStringLiteral("S-1-5-18"))
           || mesmo(sidDonoPasta);
}

Causa causa(int codigo)
{
    switch (codigo) {
    case ENOSPC:
#ifdef EDQUOT // a quota: not on Windows
    case EDQUOT:
#endif
    case EFBIG:
        return Causa::SemEspaco;
    case EACCES:
    case EPERM:
    case EROFS:
        return Causa::GravacaoRecusada;
    case ETXTBSY:
    case EBUSY:
        return Causa::EmUso;
    case ENOENT:
    case ENOTDIR:
    case ENXIO: // a drive not ready, a medium taken out
        return Causa::Ausente;
    case AtalhoAlheio:
        return Causa::AtalhoAlheio;
    default:
        return Causa::Outra;
    }
}

QString textoDoSistema(int codigo)
{
    if (codigo == AtalhoAlheio)
        return QStringLiteral("O caminho \"%1\" é um atalho de outro usuário e não será usado.").arg(atalhoRecusado());
    return QString::fromLocal8Bit(std::strerror(codigo));
}

} // namespace PlataformaArquivos
