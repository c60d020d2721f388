#include "common/gui/Interface.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>

namespace Interface {

namespace {
bool g_ampulheta = false;
}

void ponteiroAmpulheta()
{
    if (g_ampulheta)
        return;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    g_ampulheta = true;
}

void ponteiroPadrao()
{
    if (!g_ampulheta)
        return;
    QApplication::restoreOverrideCursor();
    g_ampulheta = false;
}

bool ponteiroEmAmpulheta()
{
    return g_ampulheta;
}

void redesenha(QWidget *janela)
{
    if (janela)
        janela->repaint();
}

void cedeEventos()
{
    QApplication::processEvents();
}

void bipe()
{
    QApplication::beep();
}

} // namespace Interface
