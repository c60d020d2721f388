#include "common/CaixaMensagem.h"
#include "shell/Inicio.h"
#include "shell/frmPrincipal.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavo-upload"));

    // Standard buttons read "Sim", "Não", "Cancelar" as the office expects.
    QTranslator traducaoQt;
    if (traducaoQt.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traducaoQt);

    // One client per program folder, and the local database ready, before
    // the window reads anything.
    Inicio inicio;
    if (!inicio.prepara())
        return 0;

    frmPrincipal janela;
    janela.Form_Load();
    janela.show();
    return QApplication::exec();
}
