// tavo-bench-inicio: the program's start-up as main() does it (same steps, in
// the same order), with the first-start welcome box answered by a script;
// ends at the main window's first paint (see MarcaExibicao.h).
#include "MarcaExibicao.h"

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
    int caixas = 0;
    CaixaMensagem::instalaRoteiro([&caixas](const CaixaMensagem::Registro &) {
        ++caixas;
        return CaixaMensagem::Resposta::Ok;
    });

    QTranslator traducaoQt;
    if (traducaoQt.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traducaoQt);

    try {
        garanteBancoLocal();
    } catch (const ErroTavo &) {
        // As in main(): the window's load reports the database it cannot read.
    }

    frmPrincipal janela;
    MarcaExibicao marca;
    janela.installEventFilter(&marca);
    janela.Form_Load();
    janela.show();
    const int resultado = QApplication::exec();
    std::printf("caixas=%d\n", caixas);
    return resultado;
}
