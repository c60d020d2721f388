#include "package/BibliotecaZip.h"

#include "common/Modulos.h"

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
    Modulos::TabelaDoSistema libzip(TAVO_LIBZIP_NOME, TAVO_LIBZIP_ABI);
#define TAVO_RESOLVE_LIBZIP(funcao) libzip.resolve(carga.tabela.funcao, #funcao);
    TAVO_FUNCOES_LIBZIP(TAVO_RESOLVE_LIBZIP)
#undef TAVO_RESOLVE_LIBZIP
    carga.motivo = libzip.motivo;
    carga.completa = carga.motivo.isEmpty();
    return carga;
}

} // namespace

Esperado<const BibliotecaZip *> BibliotecaZip::carregada()
{
    static const Carga carga = carrega();
    if (!carga.completa)
        return ErroTavo(Erros::BibliotecaNaoCarregada, QStringLiteral("Erro ao carregar a biblioteca ZIP"),
                        carga.motivo);
    return &carga.tabela;
}
