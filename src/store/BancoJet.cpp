#include "store/BancoJet.h"

#include "common/Erro.h"
#include "store/CompatibilidadeJet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

// glib first: the library's header includes it inside extern "C".
#include <glib.h>
#include <mdbtools.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// The Jet file is read by libmdb in a child process: the library trusts the
// file's structures, and a damaged file can make it crash or loop. The child
// writes the tables it reads into a pipe; the program gets a clear error
// instead of a crash, and a bounded wait instead of a hang.

namespace {

// Long texts are read whole up to this size (the library's default, 16 KiB,
// cuts them).
constexpr size_t kTamanhoVinculo = 512 * 1024;
// Longest wait for the reader; reading a school database takes seconds.
constexpr int kLimiteMs = 120 * 1000;

enum class Valor : std::uint8_t { Nulo = 0, Texto = 1, Inteiro = 2, Real = 3, Binario = 4 };
constexpr std::uint8_t kLinha = 1;
constexpr std::uint8_t kFimTabela = 0;

enum Saida : int {
    SaidaOk = 0,
    SaidaNaoJet = 2,
    SaidaSemCatalogo = 3,
    SaidaTabelaIlegivel = 4,
    SaidaPipe = 5,
    SaidaExcecao = 6,
};

ErroTavo erroArquivo(const QString &caminho, const QString &motivo)
{
    return ErroTavo(Erros::FormatoBancoDesconhecido,
                    QStringLiteral("Não foi possível ler o banco de dados do Access '%1': %2.").arg(caminho, motivo));
}

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
        return Valor::Binario;
    default:
        // OLE objects and complex columns are not read: the program never
        // queries them, and their readers trust the file the most.
        return Valor::Nulo;
    }
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
    canal.u8(kLinha);
    for (unsigned int c = 0; c < tabela->num_cols; ++c) {
        auto *coluna = static_cast<MdbColumn *>(g_ptr_array_index(tabela->columns, c));
        const Valor tipo = tipoDaColuna(coluna->col_type);
        if (coluna->col_type != MDB_BOOL && (nulo[c] || tipo == Valor::Nulo)) {
            canal.u8(static_cast<std::uint8_t>(Valor::Nulo));
            continue;
        }
        switch (tipo) {
        case Valor::Inteiro:
            if (tamanhos[c] == 0 && coluna->col_type != MDB_BOOL) {
                canal.u8(static_cast<std::uint8_t>(Valor::Nulo));
            } else {
                canal.u8(static_cast<std::uint8_t>(Valor::Inteiro));
                canal.i64(std::strtoll(buffers[c].data(), nullptr, 10));
            }
            break;
        case Valor::Real:
        case Valor::Texto:
            // Reals travel as text too: written with the C locale's point.
            canal.u8(static_cast<std::uint8_t>(tipo));
            canal.texto(buffers[c].data(), static_cast<size_t>(tamanhos[c]));
            break;
        case Valor::Binario: {
            const int de = coluna->cur_value_start;
            const int quanto = coluna->cur_value_len;
            if (de < 0 || quanto < 0 || de + quanto > MDB_PGSIZE) {
                canal.u8(static_cast<std::uint8_t>(Valor::Nulo));
            } else {
                canal.u8(static_cast<std::uint8_t>(Valor::Binario));
                canal.texto(reinterpret_cast<const char *>(mdb->pg_buf) + de, static_cast<size_t>(quanto));
            }
            break;
        }
        case Valor::Nulo:
            canal.u8(static_cast<std::uint8_t>(Valor::Nulo));
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
            const Valor tipo = tipoDaColuna(coluna->col_type);
            canal.u8(static_cast<std::uint8_t>(tipo));
            if (tipo == Valor::Inteiro || tipo == Valor::Real || tipo == Valor::Texto) {
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
    QElapsedTimer relogio;
    relogio.start();
    bool esgotado = false;
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
        dados.append(bloco, n);
    }
    ::close(canos[0]);
    if (esgotado)
        ::kill(filho, SIGKILL);
    int estado = 0;
    while (::waitpid(filho, &estado, 0) < 0 && errno == EINTR) {
    }
    if (esgotado)
        throw erroArquivo(caminho, QStringLiteral("a leitura não terminou no tempo esperado"));
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

// Reads what the child wrote; anything short or out of shape is an error.
class Leitura
{
public:
    Leitura(const QByteArray &dados, const QString &caminho) : m_dados(dados), m_caminho(caminho) {}

    std::uint8_t u8() { return primitivo<std::uint8_t>(); }
    std::uint32_t u32() { return primitivo<std::uint32_t>(); }
    std::int64_t i64() { return primitivo<std::int64_t>(); }
    QByteArray bytes()
    {
        const std::uint32_t tamanho = u32();
        garante(tamanho);
        const QByteArray parte = m_dados.mid(m_posicao, tamanho);
        m_posicao += tamanho;
        return parte;
    }
    QString texto() { return QString::fromUtf8(bytes()); }

private:
    template<typename T>
    T primitivo()
    {
        garante(sizeof(T));
        T valor;
        std::memcpy(&valor, m_dados.constData() + m_posicao, sizeof(T));
        m_posicao += sizeof(T);
        return valor;
    }
    void garante(qsizetype tamanho)
    {
        if (tamanho < 0 || m_posicao + tamanho > m_dados.size())
            throw erroArquivo(m_caminho, QStringLiteral("leitura incompleta"));
    }
    const QByteArray &m_dados;
    QString m_caminho;
    qsizetype m_posicao = 0;
};

QString identificador(const QString &nome)
{
    return QLatin1Char('"') + QString(nome).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString tipoSqlite(Valor tipo)
{
    switch (tipo) {
    case Valor::Inteiro: return QStringLiteral("INTEGER");
    case Valor::Real: return QStringLiteral("REAL");
    case Valor::Texto: return QStringLiteral("TEXT");
    default: return QStringLiteral("BLOB");
    }
}

// Names in a statement that may be tables: words and [bracketed names],
// outside quoted literals.
QStringList nomesCitados(const QString &sql)
{
    static const QRegularExpression palavra(
        QStringLiteral("'(?:[^']|'')*'|\\[([^\\]]+)\\]|([\\p{L}_][\\p{L}\\p{N}_]*)"));
    QStringList nomes;
    auto it = palavra.globalMatch(sql);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString nome = m.hasCaptured(1) ? m.captured(1) : m.captured(2);
        if (!nome.isEmpty())
            nomes.append(nome);
    }
    return nomes;
}

class ImportadorJet : public ImportadorTabelas
{
public:
    ImportadorJet(QString caminho, QStringList tabelas) : m_caminho(std::move(caminho)), m_tabelas(std::move(tabelas)) {}

    void importaTabelasCitadas(const QString &sql, QSqlDatabase &destino) override
    {
        std::vector<std::string> novas;
        for (const QString &nome : nomesCitados(sql)) {
            for (const QString &tabela : m_tabelas) {
                const QString chave = tabela.toLower();
                if (tabela.compare(nome, Qt::CaseInsensitive) == 0 && !m_importadas.contains(chave)) {
                    m_importadas.insert(chave);
                    novas.push_back(tabela.toStdString());
                }
            }
        }
        if (novas.empty())
            return;
        const std::string caminho = QFile::encodeName(m_caminho).toStdString();
        try {
            const QByteArray dados = executaIsolado(
                m_caminho, [&](Canal &canal) { return exportaTabelasNoFilho(caminho, novas, canal); });
            grava(dados, novas.size(), destino);
        } catch (...) {
            for (const std::string &nome : novas)
                m_importadas.remove(QString::fromStdString(nome).toLower());
            throw;
        }
    }

private:
    void grava(const QByteArray &dados, size_t quantas, QSqlDatabase &destino)
    {
        Leitura leitura(dados, m_caminho);
        if (!destino.transaction())
            throw CompatibilidadeJet::erroDoBanco(destino.lastError());
        try {
            for (size_t t = 0; t < quantas; ++t)
                gravaTabela(leitura, destino);
        } catch (...) {
            destino.rollback();
            throw;
        }
        if (!destino.commit())
            throw CompatibilidadeJet::erroDoBanco(destino.lastError());
    }

    void gravaTabela(Leitura &leitura, QSqlDatabase &destino)
    {
        const QString tabela = leitura.texto();
        const std::uint32_t colunas = leitura.u32();
        if (colunas == 0 || colunas > MDB_MAX_COLS)
            throw erroArquivo(m_caminho, QStringLiteral("tabela sem colunas: ") + tabela);
        QStringList definicoes;
        QStringList marcadores;
        QStringList nomes;
        for (std::uint32_t c = 0; c < colunas; ++c) {
            const QString nome = leitura.texto();
            nomes.append(nome);
            const auto tipo = static_cast<Valor>(leitura.u8());
            definicoes.append(identificador(nome) + QLatin1Char(' ') + tipoSqlite(tipo));
            marcadores.append(QStringLiteral("?"));
        }
        QSqlQuery consulta(destino);
        if (!consulta.exec(QStringLiteral("CREATE TABLE ") + identificador(tabela) + QStringLiteral(" (")
                           + definicoes.join(QStringLiteral(", ")) + QLatin1Char(')')))
            throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
        if (!consulta.prepare(QStringLiteral("INSERT INTO ") + identificador(tabela) + QStringLiteral(" VALUES (")
                              + marcadores.join(QStringLiteral(", ")) + QLatin1Char(')')))
            throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
        while (leitura.u8() == kLinha) {
            for (std::uint32_t c = 0; c < colunas; ++c)
                consulta.bindValue(static_cast<int>(c), leValor(leitura));
            if (!consulta.exec())
                throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
        }
        indexaChaves(tabela, nomes, destino);
    }

    // A column whose values are all present and distinct is a key of the
    // school database (an office's code, a school's code) and gets a unique
    // index, as it has there. Joins then look rows up through the key and
    // return them in the order of the other table, the way the school
    // application's engine reads them: the first school of Escola_local comes
    // first, not the school of the first office.
    void indexaChaves(const QString &tabela, const QStringList &colunas, QSqlDatabase &destino)
    {
        QSqlQuery consulta(destino);
        for (qsizetype c = 0; c < colunas.size(); ++c) {
            const QString coluna = identificador(colunas.at(c));
            if (!consulta.exec(QStringLiteral("SELECT count(*), count(DISTINCT %1), count(%1), max(typeof(%1) = 'blob') FROM ")
                                   .arg(coluna)
                               + identificador(tabela))
                || !consulta.next())
                throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
            const qlonglong linhas = consulta.value(0).toLongLong();
            if (linhas == 0 || consulta.value(1).toLongLong() != linhas || consulta.value(2).toLongLong() != linhas
                || consulta.value(3).toInt() == 1)
                continue;
            const QString indice = identificador(QStringLiteral("tavo_chave_%1_%2").arg(tabela, QString::number(c)));
            if (!consulta.exec(QStringLiteral("CREATE UNIQUE INDEX ") + indice + QStringLiteral(" ON ")
                               + identificador(tabela) + QLatin1Char('(') + coluna + QLatin1Char(')')))
                throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
        }
    }

    QVariant leValor(Leitura &leitura)
    {
        switch (static_cast<Valor>(leitura.u8())) {
        case Valor::Nulo: return QVariant();
        case Valor::Inteiro: return QVariant(static_cast<qlonglong>(leitura.i64()));
        case Valor::Real: {
            bool ok = false;
            const double numero = leitura.texto().toDouble(&ok);
            return ok ? QVariant(numero) : QVariant();
        }
        case Valor::Texto: return QVariant(leitura.texto());
        case Valor::Binario: return QVariant(leitura.bytes());
        }
        throw erroArquivo(m_caminho, QStringLiteral("valor fora do formato"));
    }

    QString m_caminho;
    QStringList m_tabelas;
    QSet<QString> m_importadas;
};

} // namespace

std::unique_ptr<ImportadorTabelas> abreBancoJet(const QString &caminho)
{
    const std::string nativo = QFile::encodeName(caminho).toStdString();
    const QByteArray dados
        = executaIsolado(caminho, [&](Canal &canal) { return listaTabelasNoFilho(nativo, canal); });
    Leitura leitura(dados, caminho);
    const std::uint32_t quantas = leitura.u32();
    QStringList tabelas;
    for (std::uint32_t i = 0; i < quantas; ++i)
        tabelas.append(leitura.texto());
    return std::make_unique<ImportadorJet>(caminho, tabelas);
}
