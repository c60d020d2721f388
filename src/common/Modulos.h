#pragma once

#include <QString>

#include <type_traits>

// Parts of the program that bring a large library with them (the TCP
// connection with Qt Network, the system printer with Qt Print Support, the
// ZIP library) are loaded the first time they are needed, not when the
// program starts: the window comes up without paying for them.
namespace Modulos {

// A loaded library's function, or null with the reason in `motivo` (for the
// log): the library is missing, cannot be loaded, or lacks the function.
// Libraries stay loaded until the program ends.
struct Funcao
{
    QFunctionPointer endereco = nullptr;
    QString motivo;
};

// A module of this program ("tavo-rede"): the shared object
// <nome>.so (<nome>.dll on Windows), looked for in the folder $TAVO_MODULOS when it is set, else
// beside the program, else in the folder the package installs it to.
Funcao doPrograma(const char *nome, const char *simbolo);

// A library of the system, by its name and the version of its ABI ("zip",
// 4: libzip.so.4; a version of -1 takes the name as it is, "libzip":
// libzip.dll), found where the system finds libraries.
Funcao doSistema(const char *nome, int versao, const char *simbolo);

// Fills a table of a system library's functions, one pointer at a time, by
// the function's own name. The first that cannot be found stops it: that
// one and the rest stay null, and `motivo` says why (empty when all were
// found).
class TabelaDoSistema
{
public:
    TabelaDoSistema(const char *nome, int versao)
        : m_nome(nome)
        , m_versao(versao)
    {
    }

    template <typename Ponteiro> void resolve(Ponteiro &ponteiro, const char *simbolo)
    {
        static_assert(std::is_pointer_v<Ponteiro> && std::is_function_v<std::remove_pointer_t<Ponteiro>>);
        if (!motivo.isEmpty())
            return;
        const Funcao funcao = doSistema(m_nome, m_versao, simbolo);
        ponteiro = reinterpret_cast<Ponteiro>(funcao.endereco);
        motivo = funcao.motivo;
    }

    QString motivo;

private:
    const char *m_nome;
    int m_versao;
};

} // namespace Modulos
