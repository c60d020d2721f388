#include "common/Log.h"
#include "common/plataforma/PlataformaTerminal.h"
#include "shell/Inicio.h"
#include "shell/OpcoesJanela.h"
#include "shell/frmPrincipal.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before anything opens a file: a closed standard stream would hand its
    // number to the lock or the log, and what is written to the stream to them.
    PlataformaTerminal::abreFechados();

    // --help, --version and a bad command line answer before any window,
    // with no display needed.
    if (const std::optional<int> saida = OpcoesJanela::responde(argc, argv))
        return *saida;

    QApplication app(argc, argv);
    // A path variable that is no path ends the start before the program's
    // folder is made or its log opened.
    const std::optional<Instalacao> instalacao = Inicio::carregaInstalacao();
    if (!instalacao)
        return 1;
    const AmbienteJanela ambiente(*instalacao);

    // One client per program folder, and the local database ready, before
    // the window reads anything.
    Inicio inicio;
    if (!inicio.prepara(*instalacao))
        return 0;

    frmPrincipal janela(*instalacao);
    janela.Form_Load();
    janela.show();
    qCInfo(lcPrograma) << "Main window open";
    return QApplication::exec();
}
