#include "common/plataforma/PlataformaConta.h"

#include "common/plataforma/ApoioWindows.h"

namespace PlataformaConta {

QString pastaPessoal()
{
    return PlataformaWindows::pastaConhecida(FOLDERID_Profile);
}

} // namespace PlataformaConta
