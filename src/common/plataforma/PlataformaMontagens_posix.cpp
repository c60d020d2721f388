#include "common/plataforma/PlataformaMontagens.h"

#include <pwd.h>
#include <unistd.h>

namespace Montagens {

std::optional<Unidade> unidadeRemovivel()
{
    const QString midia = midiaRemovivel(pontos(), usuario());
    if (midia.isEmpty())
        return std::nullopt;
    return Unidade{midia, true};
}

QString raizDaUnidade(QChar)
{
    return {};
}

QString usuario()
{
    if (const passwd *conta = ::getpwuid(::geteuid()); conta && conta->pw_name)
        return QString::fromLocal8Bit(conta->pw_name);
    return qEnvironmentVariable("USER");
}

} // namespace Montagens
