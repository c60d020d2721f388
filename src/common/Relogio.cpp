#include "common/Relogio.h"

namespace {
QDateTime g_fixo;
}

namespace Relogio {

QDateTime agora()
{
    return g_fixo.isValid() ? g_fixo : QDateTime::currentDateTime();
}

void fixa(const QDateTime &momento)
{
    g_fixo = momento;
}

} // namespace Relogio
