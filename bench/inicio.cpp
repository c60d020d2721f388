// tavo-bench-inicio: the program's start-up as main() does it (same steps, in
// the same order), with the first-start welcome box answered by a script;
// ends at the main window's first paint (see MarcaExibicao.h).
#include "MarcaExibicao.h"

#include "common/gui/CaixaMensagem.h"
#include "shell/Inicio.h"
#include "shell/frmPrincipal.h"

#include <QApplication>

#include <cstdio>
#include <ctime>

namespace {

// Wall clock of each step ("etapa_<name>_ns=..."), to see where start-up goes.
void etapa(const char *nome)
{
    timespec agora{};
    clock_gettime(CLOCK_REALTIME, &agora);
    std::printf("etapa_%s_ns=%lld\n", nome, static_cast<long long>(agora.tv_sec) * 1000000000LL + agora.tv_nsec);
}

} // namespace

int main(int argc, char *argv[])
{
    etapa("main");
    QApplication app(argc, argv);
    etapa("aplicacao");
    int caixas = 0;
    CaixaMensagem::instalaRoteiro([&caixas](const CaixaMensagem::Registro &) {
        ++caixas;
        return CaixaMensagem::Resposta::Ok;
    });

    const std::optional<Instalacao> instalacao = Inicio::carregaInstalacao();
    if (!instalacao)
        return 1;
    const AmbienteJanela ambiente(*instalacao);
    etapa("ambiente");

    Inicio inicio;
    if (!inicio.prepara(*instalacao))
        return 1;

    etapa("banco");
    frmPrincipal janela(*instalacao);
    etapa("janela");
    MarcaExibicao marca;
    janela.installEventFilter(&marca);
    janela.Form_Load();
    etapa("load");
    janela.show();
    etapa("show");
    const int resultado = QApplication::exec();
    std::printf("caixas=%d\n", caixas);
    return resultado;
}
