// bench-janela-minima: the anchor of the start-up figure, a minimal Qt
// Widgets program showing one window; ends at its first paint.
#include "MarcaExibicao.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel janela(QStringLiteral("TAVO"));
    MarcaExibicao marca;
    janela.installEventFilter(&marca);
    janela.show();
    return QApplication::exec();
}
