// tavo-leitor-jet: reads a Jet (Access .mdb) file for the client and writes
// it to its standard output in the export format of store/FormatoJet.h.
//
//   tavo-leitor-jet tabelas <arquivo>
//   tavo-leitor-jet exporta <arquivo> <tabela>...
//
// The library trusts the file's structures, and a damaged file can make it
// crash or loop; running it in a process of its own turns that into an exit
// the client reads as a damaged file, within bounds of time and size the
// client keeps. The exit code tells the kind of failure (LeitorJet::Saida).
#include "Canal.h"
#include "LeituraMdb.h"
#include "SaidaBinaria.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace LeitorJet;

namespace {

Saida executa(int argc, char **argv, Canal &canal)
{
    if (argc < 3)
        return SaidaUso;
    const std::string comando = argv[1];
    const std::string arquivo = argv[2];
    if (comando == kComandoTabelas && argc == 3)
        return LeituraMdb::listaTabelas(arquivo, canal);
    if (comando == kComandoExporta)
        return LeituraMdb::exportaTabelas(arquivo, std::vector<std::string>(argv + 3, argv + argc), canal);
    return SaidaUso;
}

} // namespace

int main(int argc, char **argv)
{
    // A crash inside the library must end the helper by its signal, which
    // the client reads as a damaged file; a sanitizer's handler (in a
    // sanitized build) would turn it into an ordinary exit instead.
    for (const int sinal : {SIGSEGV, SIGFPE, SIGILL, SIGABRT})
        std::signal(sinal, SIG_DFL);
#ifdef SIGBUS // not on Windows
    std::signal(SIGBUS, SIG_DFL);
#endif
    std::setlocale(LC_ALL, "");
    // Numbers are written with the point whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");

    Saida codigo = SaidaExcecao;
    try {
        saidaBinaria(stdout);
        Canal canal(stdout);
        codigo = executa(argc, argv, canal);
        if (codigo == SaidaOk && (!canal.ok() || !canal.descarrega()))
            codigo = SaidaEscrita;
    } catch (...) {
        codigo = SaidaExcecao;
    }
    if (codigo == SaidaUso)
        std::fprintf(stderr, "uso: tavo-leitor-jet %s <arquivo>\n     tavo-leitor-jet %s <arquivo> <tabela>...\n",
                     kComandoTabelas, kComandoExporta);
    return codigo;
}
