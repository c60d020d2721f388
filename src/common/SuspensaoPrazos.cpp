#include "common/SuspensaoPrazos.h"

#include <QList>

namespace SuspensaoPrazos {

namespace {

// Boxes, and so suspensions, belong to the thread of the windows.
int g_nivel = 0;

QList<Ouvinte *> &ouvintes()
{
    static QList<Ouvinte *> lista;
    return lista;
}

void avisaOuvintes()
{
    // A listener may come or go while it is told (a wait ending): the list
    // is walked on a copy, skipping those gone meanwhile.
    const QList<Ouvinte *> copia = ouvintes();
    for (Ouvinte *ouvinte : copia) {
        if (ouvintes().contains(ouvinte))
            ouvinte->avisa();
    }
}

} // namespace

Suspensao::Suspensao()
{
    ++g_nivel;
    avisaOuvintes();
}

Suspensao::~Suspensao()
{
    --g_nivel;
    avisaOuvintes();
}

int nivel()
{
    return g_nivel;
}

Ouvinte::Ouvinte(std::function<void()> aoMudar)
    : m_aoMudar(std::move(aoMudar))
{
    ouvintes().append(this);
}

Ouvinte::~Ouvinte()
{
    ouvintes().removeOne(this);
}

} // namespace SuspensaoPrazos
