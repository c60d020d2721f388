#pragma once

#include "common/Erro.h"
#include "package/BibliotecaZip.h"

#include <QString>

// What the ZIP engine and the package check share to read an archive with
// the library: the library itself, its errors in the program's terms, and
// an entry open for reading.
namespace LeituraZip {

// The library; that it cannot be loaded is the job's error.
const BibliotecaZip &lz();

// The library's error for the archive `caminho`: the system's own number and
// text when the system failed (a full disk, a file that cannot be read), else
// an invalid or damaged archive.
ErroTavo erroZip(zip_error_t *erro, const QString &caminho);
ErroTavo erroZipCodigo(int codigo, const QString &caminho);

// Opens an archive on a source of the program's own (`chamada` with
// `dados`) with the library's `flags`. Raises the library's error; the
// source is freed when no archive was opened on it.
zip_t *abreSobreFonte(zip_source_callback chamada, void *dados, int flags, const QString &caminho);

// Where a seek of a source of the program's own leads (the library's
// zip_source_args_seek_t in `argumentos`, of `tamanho` bytes), from
// `posicao` in a file of `fim` bytes; -1 for a seek the library should not
// have asked (the caller reports ZIP_ER_INVAL).
qint64 posicaoBuscada(const void *argumentos, zip_uint64_t tamanho, qint64 posicao, qint64 fim);

// An entry of an open archive, closed on every way out.
class EntradaAberta
{
public:
    EntradaAberta(zip_t *zip, zip_uint64_t indice, const QString &caminho);
    ~EntradaAberta();
    EntradaAberta(const EntradaAberta &) = delete;
    EntradaAberta &operator=(const EntradaAberta &) = delete;

    // Next block; 0 at the end, once the CRC has been checked.
    qint64 le(char *dados, qint64 tamanho, const QString &caminho);

private:
    zip_file_t *m_arquivo = nullptr;
};

} // namespace LeituraZip
