#include "store/LeitorJet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

// glib first: the library's header includes it inside extern "C".
#include <glib.h>
#include <mdbtools.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace LeitorJet {

namespace {

// Long texts are read whole up to this size (the library's default, 16 KiB,
// cuts them).
constexpr size_t kTamanhoVinculo = 512 * 1024;
// Longest wait for the reader; reading a school database takes seconds.
constexpr int kLimiteMs = 120 * 1000;
// Most an export may hold per byte of the file, plus a fixed margin. A sound
// file cannot give more: its worst case is a table of many yes/no columns,
// one bit each in the file and nine bytes each here (under 60 per byte).
// A damaged file can: long values whose chain of pages loops are read again
// and again, each up to the bind size, and would fill the program's memory.
constexpr qint64 kExportePorByte = 64;
constexpr qint64 kExporteMargem = 16 * 1024 * 1024;

enum Saida : int {
    SaidaOk = 0,
    SaidaNaoJet = 2,
    SaidaSemCatalogo = 3,
    SaidaTabelaIlegivel = 4,
    SaidaPipe = 5,
    SaidaExcecao = 6,
};

// ---- Child side: plain C++ and libmdb only, no Qt. ----

class Canal
{
public:
    explicit Canal(int fd) : m_fd(fd) {}
    void u8(std::uint8_t v) { bytes(&v, 1); }
    void u32(std::uint32_t v) { bytes(&v, sizeof v); }
    void i64(std::int64_t v) { bytes(&v, sizeof v); }
    void texto(const char *dados, size_t tamanho)
    {
        u32(static_cast<std::uint32_t>(tamanho));
        bytes(dados, tamanho);
    }
    void texto(const char *dados) { texto(dados, std::strlen(dados)); }
    bool descarrega()
    {
        size_t feito = 0;
        while (feito < m_buffer.size()) {
            const ssize_t n = ::write(m_fd, m_buffer.data() + feito, m_buffer.size() - feito);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            feito += static_cast<size_t>(n);
        }
        m_buffer.clear();
        return true;
    }
    bool ok() const { return m_ok; }

private:
    void bytes(const void *dados, size_t tamanho)
    {
        m_buffer.append(static_cast<const char *>(dados), tamanho);
        if (m_buffer.size() >= 256 * 1024 && !descarrega())
            m_ok = false;
    }
    int m_fd;
    std::string m_buffer;
    bool m_ok = true;
};

MdbHandle *abreMdb(const std::string &caminho)
{
    MdbHandle *mdb = mdb_open(caminho.c_str(), MDB_NOFLAGS);
    if (!mdb)
        return nullptr;
    mdb_set_bind_size(mdb, kTamanhoVinculo);
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb, "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb);
    return mdb;
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

int listaTabelasNoFilho(const std::string &caminho, Canal &canal)
{
    MdbHandle *mdb = abreMdb(caminho);
    if (!mdb)
        return SaidaNaoJet;
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        return SaidaSemCatalogo;
    }
    std::vector<std::string> nomes;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto *entrada = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (mdb_is_user_table(entrada))
            nomes.emplace_back(entrada->object_name);
    }
    canal.u32(static_cast<std::uint32_t>(nomes.size()));
    for (const std::string &nome : nomes)
        canal.texto(nome.c_str());
    mdb_close(mdb);
    return SaidaOk;
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

void enviaLinha(MdbHandle *mdb, MdbTableDef *tabela, const std::vector<std::vector<char>> &buffers,
                const std::vector<int> &tamanhos, Canal &canal)
{
    // Bound values are texts; a Null and an empty text look alike there, so
    // the row's null flags are read from the row itself.
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
                std::int64_t valor;
                std::memcpy(&valor, mdb->pg_buf + de, sizeof valor);
                const std::string moeda = textoMoeda(static_cast<std::int64_t>(GINT64_FROM_LE(valor)));
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
        case Valor::Texto:
            // Reals travel as text too: written with the C locale's point.
            enviaTexto(tipo, buffers[c].data(), static_cast<size_t>(tamanhos[c]));
            break;
        case Valor::Binario:
            if (noRegistro)
                enviaTexto(Valor::Binario, reinterpret_cast<const char *>(mdb->pg_buf) + de, static_cast<size_t>(quanto));
            else
                enviaNulo();
            break;
        case Valor::Nulo:
            enviaNulo();
            break;
        }
    }
}

int exportaTabelasNoFilho(const std::string &caminho, const std::vector<std::string> &nomes, Canal &canal)
{
    MdbHandle *mdb = abreMdb(caminho);
    if (!mdb)
        return SaidaNaoJet;
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        return SaidaSemCatalogo;
    }
    for (const std::string &nome : nomes) {
        MdbCatalogEntry *entrada = mdb_get_catalogentry_by_name(mdb, nome.c_str());
        MdbTableDef *tabela = entrada ? mdb_read_table(entrada) : nullptr;
        if (!tabela || !mdb_read_columns(tabela)) {
            mdb_close(mdb);
            return SaidaTabelaIlegivel;
        }
        mdb_rewind_table(tabela);
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
                mdb_bind_column(tabela, static_cast<int>(c) + 1, buffers[c].data(), &tamanhos[c]);
            }
        }
        while (mdb_fetch_row(tabela)) {
            enviaLinha(mdb, tabela, buffers, tamanhos, canal);
            if (!canal.ok())
                break;
        }
        canal.u8(kFimTabela);
        mdb_free_tabledef(tabela);
    }
    mdb_close(mdb);
    return SaidaOk;
}

// ---- Parent side ----

// Runs `trabalho` in a child process and returns what it wrote.
QByteArray executaIsolado(const QString &caminho, const std::function<int(Canal &)> &trabalho)
{
    int canos[2];
    if (::pipe2(canos, O_CLOEXEC) != 0)
        throw erroArquivo(caminho, QString::fromLocal8Bit(std::strerror(errno)));
    const pid_t filho = ::fork();
    if (filho < 0) {
        ::close(canos[0]);
        ::close(canos[1]);
        throw erroArquivo(caminho, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (filho == 0) {
        ::close(canos[0]);
        // A crash of the reader must end the child quietly: the handlers the
        // program (or a test runner) installed are not for it.
        for (const int sinal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGPIPE})
            ::signal(sinal, SIG_DFL);
        // Numbers are written with the point whatever the user's locale.
        std::setlocale(LC_NUMERIC, "C");
        int codigo = SaidaExcecao;
        try {
            Canal canal(canos[1]);
            codigo = trabalho(canal);
            if (codigo == SaidaOk && (!canal.ok() || !canal.descarrega()))
                codigo = SaidaPipe;
        } catch (...) {
            codigo = SaidaExcecao;
        }
        ::_exit(codigo);
    }

    ::close(canos[1]);
    QByteArray dados;
    const qint64 limiteBytes = kExporteMargem + kExportePorByte * std::max<qint64>(QFileInfo(caminho).size(), 0);
    QElapsedTimer relogio;
    relogio.start();
    bool esgotado = false;
    bool excedido = false;
    char bloco[65536];
    for (;;) {
        const qint64 resta = kLimiteMs - relogio.elapsed();
        if (resta <= 0) {
            esgotado = true;
            break;
        }
        pollfd espera{canos[0], POLLIN, 0};
        const int pronto = ::poll(&espera, 1, static_cast<int>(resta));
        if (pronto < 0 && errno == EINTR)
            continue;
        if (pronto <= 0) {
            esgotado = pronto == 0;
            break;
        }
        const ssize_t n = ::read(canos[0], bloco, sizeof bloco);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (dados.size() + n > limiteBytes) {
            excedido = true;
            break;
        }
        dados.append(bloco, n);
    }
    ::close(canos[0]);
    if (esgotado || excedido)
        ::kill(filho, SIGKILL);
    int estado = 0;
    while (::waitpid(filho, &estado, 0) < 0 && errno == EINTR) {
    }
    if (esgotado)
        throw erroArquivo(caminho, QStringLiteral("a leitura não terminou no tempo esperado"));
    if (excedido)
        throw erroArquivo(caminho, QStringLiteral("o arquivo está danificado (os dados lidos excedem o tamanho do arquivo)"));
    if (WIFSIGNALED(estado))
        throw erroArquivo(caminho, QStringLiteral("o arquivo está danificado"));
    switch (WIFEXITED(estado) ? WEXITSTATUS(estado) : SaidaExcecao) {
    case SaidaOk:
        return dados;
    case SaidaNaoJet:
        throw erroArquivo(caminho, QStringLiteral("o arquivo não é um banco de dados do Access"));
    case SaidaSemCatalogo:
        throw erroArquivo(caminho, QStringLiteral("o catálogo de tabelas está danificado"));
    case SaidaTabelaIlegivel:
        throw erroArquivo(caminho, QStringLiteral("uma tabela está danificada"));
    default:
        throw erroArquivo(caminho, QStringLiteral("falha na leitura"));
    }
}

} // namespace

std::string textoDataHora(double dias)
{
    if (!std::isfinite(dias) || std::fabs(dias) > 3.0e6)
        return {};
    const double inteiro = std::trunc(dias);
    long long dia = static_cast<long long>(inteiro);
    int segundos = static_cast<int>(std::llround(std::fabs(dias - inteiro) * 86400.0));
    if (segundos >= 86400) { // 24:00:00 is midnight of the next day
        segundos -= 86400;
        ++dia;
    }
    using namespace std::chrono;
    const year_month_day data{sys_days{days{dia - 25569}}}; // 25569 days from 1899-12-30 to 1970-01-01
    char texto[32];
    std::snprintf(texto, sizeof texto, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(data.year()) % 100000,
                  static_cast<unsigned>(data.month()) % 100, static_cast<unsigned>(data.day()) % 100,
                  segundos / 3600 % 100, segundos / 60 % 60, segundos % 60);
    return texto;
}

std::string textoMoeda(std::int64_t decimosMilesimos)
{
    const std::uint64_t absoluto = decimosMilesimos < 0 ? 0 - static_cast<std::uint64_t>(decimosMilesimos)
                                                        : static_cast<std::uint64_t>(decimosMilesimos);
    char texto[32];
    std::snprintf(texto, sizeof texto, "%s%llu.%04llu", decimosMilesimos < 0 ? "-" : "",
                  static_cast<unsigned long long>(absoluto / 10000), static_cast<unsigned long long>(absoluto % 10000));
    return texto;
}

ErroTavo erroArquivo(const QString &caminho, const QString &motivo)
{
    return ErroTavo(Erros::FormatoBancoDesconhecido,
                    QStringLiteral("Não foi possível ler o banco de dados do Access '%1': %2.").arg(caminho, motivo));
}

QStringList tabelas(const QString &caminho)
{
    const std::string nativo = QFile::encodeName(caminho).toStdString();
    const QByteArray dados = executaIsolado(caminho, [&](Canal &canal) { return listaTabelasNoFilho(nativo, canal); });
    Leitura leitura(dados, caminho);
    const std::uint32_t quantas = leitura.u32();
    QStringList nomes;
    for (std::uint32_t i = 0; i < quantas; ++i)
        nomes.append(leitura.texto());
    return nomes;
}

QByteArray exporta(const QString &caminho, const QStringList &nomes)
{
    const std::string nativo = QFile::encodeName(caminho).toStdString();
    std::vector<std::string> tabelas;
    for (const QString &nome : nomes)
        tabelas.push_back(nome.toStdString());
    return executaIsolado(caminho, [&](Canal &canal) { return exportaTabelasNoFilho(nativo, tabelas, canal); });
}

QByteArray Leitura::bytes()
{
    const std::uint32_t tamanho = u32();
    garante(tamanho);
    const QByteArray parte = m_dados.mid(m_posicao, tamanho);
    m_posicao += tamanho;
    return parte;
}

void Leitura::garante(qsizetype tamanho)
{
    if (tamanho < 0 || m_posicao + tamanho > m_dados.size())
        throw erroArquivo(m_caminho, QStringLiteral("leitura incompleta"));
}

} // namespace LeitorJet
