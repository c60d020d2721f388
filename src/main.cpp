#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Localidade.h"
#include "common/Log.h"
#include "shell/Inicio.h"
#include "shell/OpcoesJanela.h"
#include "shell/frmPrincipal.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    // --help, --version and a bad command line answer before any window,
    // with no display needed.
    if (const std::optional<int> saida = OpcoesJanela::responde(argc, argv))
        return *saida;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavo-upload"));
    // The launcher and icon the package installs (packaging/) are this window's.
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVO_ID_APLICACAO));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tavo-upload.svg")));
    // Month names and numbers in Portuguese, whatever the desktop's language.
    Localidade::ajusta();
    // The log: tavo-upload.log in the program's folder, and standard error.
    const Log::Instalacao log(Log::janela(Caminhos::pastaPrograma()));

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
