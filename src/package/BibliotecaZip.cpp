#include "package/BibliotecaZip.h"

#include "common/Modulos.h"

#include <type_traits>

namespace {

struct Carga
{
    BibliotecaZip tabela;
    QString motivo;
    bool completa = false;
};

Carga carrega()
{
    Carga carga;
    const auto resolve = [&carga](auto &ponteiro, const char *nome) {
        if (!carga.motivo.isEmpty())
            return;
        const Modulos::Funcao funcao = Modulos::doSistema("zip", TAVO_LIBZIP_ABI, nome);
        if (funcao.endereco)
            ponteiro = reinterpret_cast<std::remove_reference_t<decltype(ponteiro)>>(funcao.endereco);
        else
            carga.motivo = funcao.motivo;
    };
#define TAVO_RESOLVE_LIBZIP(funcao) resolve(carga.tabela.funcao, #funcao);
    TAVO_FUNCOES_LIBZIP(TAVO_RESOLVE_LIBZIP)
#undef TAVO_RESOLVE_LIBZIP
    carga.completa = carga.motivo.isEmpty();
    return carga;
}

} // namespace

const BibliotecaZip *BibliotecaZip::carregada(QString *motivo)
{
    static const Carga carga = carrega();
    if (motivo)
        *motivo = carga.motivo;
    return carga.completa ? &carga.tabela : nullptr;
}
