#include "common/plataforma/PlataformaConta.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <pwd.h>
#include <unistd.h>

namespace PlataformaConta {

QString pastaPessoal()
{
    const long sugerido = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray espaco(sugerido > 0 ? sugerido : 16384, '\0');
    // An entry larger than the space asked for is asked again with more, up
    // to a bound no real entry reaches.
    for (;;) {
        struct passwd entrada
        {
        };
        struct passwd *achada = nullptr;
        const int codigo = ::getpwuid_r(::geteuid(), &entrada, espaco.data(), espaco.size(), &achada);
        if (codigo == ERANGE && espaco.size() < (1 << 20)) {
            espaco.resize(espaco.size() * 2);
            continue;
        }
        if (codigo != 0 || !achada || !achada->pw_dir)
            return {};
        return QFile::decodeName(achada->pw_dir);
    }
}

} // namespace PlataformaConta
