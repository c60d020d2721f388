#include "common/CaixaMensagem.h"
#include "common/Erro.h"
#include "shell/frmPrincipal.h"
#include "store/Provisionamento.h"

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

    try {
        garanteBancoLocal();
    } catch (const ErroTavo &) {
        // The window's load reports the database it cannot read.
    }

    frmPrincipal janela;
    janela.Form_Load();
    janela.show();
    return QApplication::exec();
}
