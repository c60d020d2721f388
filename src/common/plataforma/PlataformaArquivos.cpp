#include "common/plataforma/PlataformaArquivos.h"

#include <cerrno>
#include <cstring>

// What both systems share: the meaning of an error number (Windows' own
// errors come here already translated).
namespace PlataformaArquivos {

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
    default:
        return Causa::Outra;
    }
}

QString textoDoSistema(int codigo)
{
    return QString::fromLocal8Bit(std::strerror(codigo));
}

} // namespace PlataformaArquivos
