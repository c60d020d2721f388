#include "common/Localidade.h"

namespace Localidade {

QLocale escolhe(const QLocale &sistema)
{
    if (sistema.language() == QLocale::Portuguese)
        return sistema;
    return QLocale(QLocale::Portuguese, QLocale::Brazil);
}

void ajusta()
{
    const QLocale sistema = QLocale::system();
    // A Portuguese system keeps its own locale, with whatever it sets apart
    // from the language's defaults.
    if (sistema.language() != QLocale::Portuguese)
        QLocale::setDefault(escolhe(sistema));
}

} // namespace Localidade
