#include "package/LeituraZip.h"

#include "package/ArquivosTrabalho.h"
#include "package/MotorZip.h"

#include <cstdio>

namespace LeituraZip {

const BibliotecaZip &lz()
{
    const Esperado<const BibliotecaZip *> biblioteca = BibliotecaZip::carregada();
    if (!biblioteca)
        throw biblioteca.erro();
    return **biblioteca;
}

ErroTavo erroZip(zip_error_t *erro, const QString &caminho)
{
    const QString texto = QString::fromLocal8Bit(lz().zip_error_strerror(erro));
    if (lz().zip_error_system_type(erro) == ZIP_ET_SYS && lz().zip_error_code_system(erro) != 0) {
        const ErroTavo sistema = erroDoSistema(lz().zip_error_code_system(erro), caminho);
        return ErroTavo(sistema.numero(), sistema.descricao() + QStringLiteral(" [") + texto + QLatin1Char(']'));
    }
    return ErroTavo(MotorZip::ArquivoInvalido, QStringLiteral("Arquivo ZIP inválido ou danificado: ") + caminho
                                                   + QStringLiteral(" (") + texto + QLatin1Char(')'));
}

ErroTavo erroZipCodigo(int codigo, const QString &caminho)
{
    zip_error_t erro;
    lz().zip_error_init_with_code(&erro, codigo);
    ErroTavo resultado = erroZip(&erro, caminho);
    lz().zip_error_fini(&erro);
    return resultado;
}

zip_t *abreSobreFonte(zip_source_callback chamada, void *dados, int flags, const QString &caminho)
{
    zip_error_t erro;
    lz().zip_error_init(&erro);
    zip_t *zip = nullptr;
    if (zip_source_t *fonte = lz().zip_source_function_create(chamada, dados, &erro)) {
        zip = lz().zip_open_from_source(fonte, flags, &erro);
        if (!zip)
            lz().zip_source_free(fonte);
    }
    if (!zip) {
        const ErroTavo falha = erroZip(&erro, caminho);
        lz().zip_error_fini(&erro);
        throw falha;
    }
    lz().zip_error_fini(&erro);
    return zip;
}

qint64 posicaoBuscada(const void *argumentos, zip_uint64_t tamanho, qint64 posicao, qint64 fim)
{
    if (tamanho < sizeof(zip_source_args_seek_t))
        return -1;
    const auto *busca = static_cast<const zip_source_args_seek_t *>(argumentos);
    const qint64 base = busca->whence == SEEK_SET   ? 0
                        : busca->whence == SEEK_CUR ? posicao
                        : busca->whence == SEEK_END ? fim
                                                    : -1;
    if (base < 0 || base + busca->offset < 0)
        return -1;
    return base + busca->offset;
}

EntradaAberta::EntradaAberta(zip_t *zip, zip_uint64_t indice, const QString &caminho)
{
    m_arquivo = lz().zip_fopen_index(zip, indice, 0);
    if (!m_arquivo)
        throw erroZip(lz().zip_get_error(zip), caminho);
}

EntradaAberta::~EntradaAberta()
{
    lz().zip_fclose(m_arquivo);
}

qint64 EntradaAberta::le(char *dados, qint64 tamanho, const QString &caminho)
{
    const zip_int64_t n = lz().zip_fread(m_arquivo, dados, static_cast<zip_uint64_t>(tamanho));
    if (n < 0)
        throw erroZip(lz().zip_file_get_error(m_arquivo), caminho);
    return n;
}

} // namespace LeituraZip
