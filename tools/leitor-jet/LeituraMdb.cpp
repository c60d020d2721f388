#include "LeituraMdb.h"

#include "Canal.h"

// Debian's libmdb uses GLib, whose header must come first (the library's
// includes it inside extern "C"); one built without it (the Windows
// edition's) brings its own stand-in.
#if __has_include(<glib.h>)
#include <glib.h>
#endif
#include <mdbtools.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

using namespace LeitorJet;

namespace LeituraMdb {

namespace {

// Long texts are read whole up to this size (the library's default, 16 KiB,
// cuts them).
constexpr size_t kTamanhoVinculo = 512 * 1024;

struct FechaMdb
{
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct LiberaTabela
{
    void operator()(MdbTableDef *tabela) const { mdb_free_tabledef(tabela); }
};
using Mdb = std::unique_ptr<MdbHandle, FechaMdb>;
using Tabela = std::unique_ptr<MdbTableDef, LiberaTabela>;

Mdb abreMdb(const std::string &caminho)
{
    Mdb mdb(mdb_open(caminho.c_str(), MDB_NOFLAGS));
    if (!mdb)
        return mdb;
    mdb_set_bind_size(mdb.get(), kTamanhoVinculo);
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb.get());
    return mdb;
}

// Opens the file and reads its catalog of tables.
Saida abreComCatalogo(const std::string &caminho, Mdb &mdb)
{
    mdb = abreMdb(caminho);
    if (!mdb)
        return SaidaNaoJet;
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        return SaidaSemCatalogo;
    return SaidaOk;
}

Valor tipoDaColuna(int tipo)
{
    switch (tipo) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return Valor::Inteiro;
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return Valor::Real;
    case MDB_MONEY:
    case MDB_NUMERIC:
    case MDB_DATETIME:
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID:
        return Valor::Texto;
    case MDB_BINARY:
    case MDB_OLE:
        return Valor::Binario;
    default:
        // Complex (multi-valued) columns belong to newer files than the
        // ones this program meets; they are not read.
        return Valor::Nulo;
    }
}

// Columns whose text the library makes for us; the others are read from
// the row's bytes.
bool vinculada(int tipo)
{
    return tipo != MDB_DATETIME && tipo != MDB_MONEY && tipoDaColuna(tipo) != Valor::Binario
           && tipoDaColuna(tipo) != Valor::Nulo;
}

// The bytes of an OLE object: inline in the row, or in a chain of long-value
// pages the library follows. The chain is cut at the length the value
// announces, so a looping chain ends.
std::string leOle(MdbHandle *mdb, MdbColumn *coluna)
{
    std::string valor;
    if (coluna->cur_value_len < MDB_MEMO_OVERHEAD || coluna->cur_value_start < 0
        || coluna->cur_value_start + coluna->cur_value_len > static_cast<int>(mdb->fmt->pg_size))
        return valor;
    unsigned char ponteiro[MDB_MEMO_OVERHEAD];
    std::memcpy(ponteiro, mdb->pg_buf + coluna->cur_value_start, MDB_MEMO_OVERHEAD);
    const std::uint32_t anunciado = mdb_get_int32(ponteiro, 0) & 0x3fffffffu;
    std::vector<char> pedaco(static_cast<size_t>(mdb->fmt->pg_size) * 2);
    coluna->bind_ptr = pedaco.data();
    size_t n = mdb_ole_read(mdb, coluna, ponteiro, pedaco.size());
    while (n > 0 && valor.size() < anunciado) {
        valor.append(pedaco.data(), std::min<size_t>(n, anunciado - valor.size()));
        n = mdb_ole_read_next(mdb, coluna, ponteiro);
    }
    coluna->bind_ptr = nullptr;
    return valor;
}

// Which columns of the current row are Null. Bound values are texts, where
// a Null and an empty text look alike, so the flags are read from the row.
std::vector<bool> nulosDaLinha(MdbHandle *mdb, MdbTableDef *tabela)
{
    std::vector<bool> nulo(tabela->num_cols, false);
    int inicio = 0;
    size_t tamanho = 0;
    if (mdb_find_row(mdb, static_cast<int>(tabela->cur_row) - 1, &inicio, &tamanho) == 0) {
        std::vector<MdbField> campos(std::max<size_t>(tabela->num_cols, MDB_MAX_COLS));
        const int n = mdb_crack_row(tabela, inicio & 0x1fff, tamanho, campos.data());
        for (int i = 0; i < n && i < static_cast<int>(tabela->num_cols); ++i) {
            if (campos[i].colnum >= 0 && campos[i].colnum < static_cast<int>(tabela->num_cols))
                nulo[campos[i].colnum] = campos[i].is_null != 0;
        }
    }
    return nulo;
}

// Text as UTF-8. libmdb built with iconv (Debian's) writes UTF-8; built
// without it (the Windows edition's) it writes each character's low byte,
// which is Latin-1 for the characters Portuguese uses. Bytes that are not
// UTF-8 are taken as Latin-1.
bool ehUtf8(const unsigned char *b, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = b[i];
        size_t seguintes = 0;
        if (c < 0x80)
            continue;
        if (c >= 0xC2 && c <= 0xDF)
            seguintes = 1;
        else if ((c & 0xF0) == 0xE0)
            seguintes = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            seguintes = 3;
        else
            return false;
        if (seguintes > n - i - 1)
            return false;
        for (size_t k = 1; k <= seguintes; ++k) {
            if ((b[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += seguintes;
    }
    return true;
}

std::string textoUtf8(const char *dados, size_t tamanho)
{
    const auto *b = reinterpret_cast<const unsigned char *>(dados);
    if (ehUtf8(b, tamanho))
        return std::string(dados, tamanho);
    std::string utf8;
    utf8.reserve(tamanho * 2);
    for (size_t i = 0; i < tamanho; ++i) {
        if (b[i] < 0x80) {
            utf8.push_back(static_cast<char>(b[i]));
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (b[i] >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (b[i] & 0x3F)));
        }
    }
    return utf8;
}

void enviaLinha(MdbHandle *mdb, MdbTableDef *tabela, const std::vector<std::vector<char>> &buffers,
                const std::vector<int> &tamanhos, Canal &canal)
{
    const std::vector<bool> nulo = nulosDaLinha(mdb, tabela);
    const auto enviaNulo = [&canal] { canal.u8(static_cast<std::uint8_t>(Valor::Nulo)); };
    const auto enviaTexto = [&canal](Valor tipo, const char *dados, size_t tamanho) {
        canal.u8(static_cast<std::uint8_t>(tipo));
        canal.texto(dados, tamanho);
    };
    canal.u8(kLinha);
    for (unsigned int c = 0; c < tabela->num_cols; ++c) {
        auto *coluna = static_cast<MdbColumn *>(g_ptr_array_index(tabela->columns, c));
        const Valor tipo = tipoDaColuna(coluna->col_type);
        if (coluna->col_type != MDB_BOOL && (nulo[c] || tipo == Valor::Nulo)) {
            enviaNulo();
            continue;
        }
        // The fixed-size values read from the row's bytes.
        const int de = coluna->cur_value_start;
        const int quanto = coluna->cur_value_len;
        const bool noRegistro = de >= 0 && quanto >= 0 && de + quanto <= static_cast<int>(mdb->fmt->pg_size);
        char texto[32];
        switch (coluna->col_type) {
        case MDB_DATETIME:
            if (noRegistro && quanto == 8) {
                const double dias = mdb_get_double(mdb->pg_buf, de);
                const std::string data = textoDataHora(dias);
                // A value no date can have keeps its number.
                if (!data.empty())
                    enviaTexto(Valor::Texto, data.data(), data.size());
                else
                    enviaTexto(Valor::Real, texto,
                               static_cast<size_t>(std::snprintf(texto, sizeof texto, "%.17g", dias)));
            } else {
                enviaNulo();
            }
            continue;
        case MDB_MONEY:
            if (noRegistro && quanto == 8) {
                // Eight bytes, little-endian.
                std::uint64_t valor = 0;
                for (int i = 7; i >= 0; --i)
                    valor = (valor << 8) | static_cast<unsigned char>(mdb->pg_buf[de + i]);
                const std::string moeda = textoMoeda(static_cast<std::int64_t>(valor));
                enviaTexto(Valor::Texto, moeda.data(), moeda.size());
            } else {
                enviaNulo();
            }
            continue;
        case MDB_OLE: {
            const std::string bytes = leOle(mdb, coluna);
            enviaTexto(Valor::Binario, bytes.data(), bytes.size());
            continue;
        }
        default:
            break;
        }
        switch (tipo) {
        case Valor::Inteiro:
            if (tamanhos[c] == 0 && coluna->col_type != MDB_BOOL) {
                enviaNulo();
            } else {
                canal.u8(static_cast<std::uint8_t>(Valor::Inteiro));
                canal.i64(std::strtoll(buffers[c].data(), nullptr, 10));
            }
            break;
        case Valor::Real:
            // Reals travel as text too: written with the C locale's point.
            enviaTexto(tipo, buffers[c].data(), static_cast<size_t>(tamanhos[c]));
            break;
        case Valor::Texto: {
            const std::string texto = textoUtf8(buffers[c].data(), static_cast<size_t>(tamanhos[c]));
            enviaTexto(tipo, texto.data(), texto.size());
            break;
        }
        case Valor::Binario:
            if (noRegistro)
                enviaTexto(Valor::Binario, reinterpret_cast<const char *>(mdb->pg_buf) + de,
                           static_cast<size_t>(quanto));
            else
                enviaNulo();
            break;
        case Valor::Nulo:
            enviaNulo();
            break;
        }
    }
}

// How many pages the table's usage map lists that cannot be read: past the
// end of a file cut short (a page cut in the middle too, which the library
// reads with its end missing), or failing to read. The library ends a table
// at the first page it cannot read, as it ends it at its last one, and the
// rows after it are gone without a word. Looked at after the rows, so the
// library's page is not moved under them.
std::uint32_t paginasIlegiveis(MdbHandle *mdb, MdbTableDef *tabela, std::uintmax_t tamanhoArquivo)
{
    const auto tamanhoPagina = static_cast<std::uintmax_t>(mdb->fmt->pg_size);
    std::uint32_t ilegiveis = 0;
    guint32 pagina = 0;
    for (;;) {
        const gint32 proxima =
            mdb_map_find_next(mdb, tabela->usage_map, static_cast<unsigned int>(tabela->map_sz), pagina);
        // -1: a map of a kind no sound file has, or one of its own pages
        // that cannot be read. The library then reads every page to the
        // end of the file looking for the table's, and takes a page cut
        // short for a whole one: the map's loss counts as a page lost.
        if (proxima < 0)
            return ilegiveis + 1;
        if (proxima == 0 || static_cast<guint32>(proxima) <= pagina)
            return ilegiveis;
        pagina = static_cast<guint32>(proxima);
        if ((pagina + std::uintmax_t{1}) * tamanhoPagina > tamanhoArquivo
            || mdb_read_pg(mdb, pagina) != mdb->fmt->pg_size)
            ++ilegiveis;
    }
}

// One table: its header, its rows, its end mark, then what the file declares
// of it (its row count) and the pages of it that could not be read.
Saida exportaTabela(MdbHandle *mdb, const std::string &nome, std::uintmax_t tamanhoArquivo, Canal &canal)
{
    MdbCatalogEntry *entrada = mdb_get_catalogentry_by_name(mdb, nome.c_str());
    Tabela tabela(entrada ? mdb_read_table(entrada) : nullptr);
    if (!tabela)
        return SaidaTabelaIlegivel;
    if (!mdb_read_columns(tabela.get())) {
        // A definition whose columns were read only in part is not handed
        // back to the library to free; the helper ends right after.
        static_cast<void>(tabela.release());
        return SaidaTabelaIlegivel;
    }
    mdb_rewind_table(tabela.get());
    const unsigned int colunas = tabela->num_cols;
    canal.texto(nome.c_str());
    canal.u32(colunas);
    std::vector<std::vector<char>> buffers(colunas);
    std::vector<int> tamanhos(colunas, 0);
    for (unsigned int c = 0; c < colunas; ++c) {
        auto *coluna = static_cast<MdbColumn *>(g_ptr_array_index(tabela->columns, c));
        canal.texto(coluna->name);
        canal.u8(static_cast<std::uint8_t>(tipoDaColuna(coluna->col_type)));
        canal.u8(static_cast<std::uint8_t>(coluna->col_type));
        if (vinculada(coluna->col_type)) {
            buffers[c].assign(kTamanhoVinculo + 1, '\0');
            mdb_bind_column(tabela.get(), static_cast<int>(c) + 1, buffers[c].data(), &tamanhos[c]);
        }
    }
    while (mdb_fetch_row(tabela.get())) {
        enviaLinha(mdb, tabela.get(), buffers, tamanhos, canal);
        if (!canal.ok())
            return SaidaEscrita;
    }
    canal.u8(kFimTabela);
    canal.i64(tabela->num_rows);
    canal.u32(paginasIlegiveis(mdb, tabela.get(), tamanhoArquivo));
    return SaidaOk;
}

} // namespace

Saida listaTabelas(const std::string &caminho, Canal &canal)
{
    Mdb mdb;
    if (const Saida aberto = abreComCatalogo(caminho, mdb); aberto != SaidaOk)
        return aberto;
    std::vector<std::string> nomes;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto *entrada = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (mdb_is_user_table(entrada))
            nomes.emplace_back(entrada->object_name);
    }
    canal.u32(static_cast<std::uint32_t>(nomes.size()));
    for (const std::string &nome : nomes)
        canal.texto(nome.c_str());
    return SaidaOk;
}

Saida exportaTabelas(const std::string &caminho, const std::vector<std::string> &nomes, Canal &canal)
{
    Mdb mdb;
    if (const Saida aberto = abreComCatalogo(caminho, mdb); aberto != SaidaOk)
        return aberto;
    std::error_code erro;
    const std::uintmax_t tamanho = std::filesystem::file_size(caminho, erro);
    if (erro)
        return SaidaNaoJet;
    for (const std::string &nome : nomes) {
        if (const Saida saida = exportaTabela(mdb.get(), nome, tamanho, canal); saida != SaidaOk)
            return saida;
    }
    return SaidaOk;
}

} // namespace LeituraMdb
