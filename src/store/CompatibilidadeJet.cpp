#include "store/CompatibilidadeJet.h"

#include "common/Log.h"
#include "common/Modulos.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDriver>

#include <sqlite3.h>

#include <cstring>
#include <optional>

namespace CompatibilidadeJet {

namespace {

// SQLite's own functions that Format needs. They come from the library Qt's
// SQLite driver loads, found by name when the first connection is prepared:
// linked to the program, the library was loaded at every start, before the
// window, which does not need it before its load reads the settings.
#define TAVO_FUNCOES_SQLITE(X)                                                                                         \
    X(sqlite3_create_function_v2)                                                                                      \
    X(sqlite3_result_null)                                                                                             \
    X(sqlite3_result_text)                                                                                             \
    X(sqlite3_value_bytes)                                                                                             \
    X(sqlite3_value_double)                                                                                            \
    X(sqlite3_value_int64)                                                                                             \
    X(sqlite3_value_text)                                                                                              \
    X(sqlite3_value_type)

struct FuncoesSqlite
{
#define TAVO_PONTEIRO_SQLITE(funcao) decltype(&::funcao) funcao = nullptr;
    TAVO_FUNCOES_SQLITE(TAVO_PONTEIRO_SQLITE)
#undef TAVO_PONTEIRO_SQLITE
};

// The functions, or null (with the reason logged once) when the library or
// one of them cannot be found.
const FuncoesSqlite *sqlite()
{
    static const std::optional<FuncoesSqlite> funcoes = []() -> std::optional<FuncoesSqlite> {
        FuncoesSqlite tabela;
        Modulos::TabelaDoSistema biblioteca(TAVO_SQLITE_NOME, TAVO_SQLITE_ABI);
#define TAVO_RESOLVE_SQLITE(funcao) biblioteca.resolve(tabela.funcao, #funcao);
        TAVO_FUNCOES_SQLITE(TAVO_RESOLVE_SQLITE)
#undef TAVO_RESOLVE_SQLITE
        if (!biblioteca.motivo.isEmpty()) {
            qCWarning(lcBanco).noquote() << "SQLite's functions not found; Format is not available:"
                                         << biblioteca.motivo;
            return std::nullopt;
        }
        return tabela;
    }();
    return funcoes ? &*funcoes : nullptr;
}

// A date and a time of day as the store holds them, with no time zone:
// Format only rearranges the fields. Building a local-time QDateTime for
// every row made a select that formats each row of a big table slow.
struct Momento
{
    QDate dia;
    QTime hora;
};

// The character at `i` of a QStringView or QLatin1StringView.
template <typename Visao> char16_t em(Visao t, qsizetype i)
{
    return t[i].unicode();
}

// The number written by the `n` digits at `i`; -1 when one is not a digit.
template <typename Visao> int numeroEm(Visao t, qsizetype i, qsizetype n)
{
    int valor = 0;
    for (qsizetype k = i; k < i + n; ++k) {
        const char16_t c = em(t, k);
        if (c < u'0' || c > u'9')
            return -1;
        valor = valor * 10 + (c - u'0');
    }
    return valor;
}

// The full fixed-width forms, read directly: "yyyy-MM-dd HH:mm:ss" (or with
// a T), "yyyy-MM-dd", "dd/MM/yyyy HH:mm:ss" and "dd/MM/yyyy". Anything else,
// or a date or time that does not exist, is left to the general reading.
// Every position is checked, so a text read here is plain ASCII.
template <typename Visao> std::optional<Momento> leFormaFixa(Visao t)
{
    if (t.size() != 10 && t.size() != 19)
        return std::nullopt;
    int ano = -1;
    int mes = -1;
    int dia = -1;
    const bool iso = em(t, 4) == u'-' && em(t, 7) == u'-';
    if (iso) {
        ano = numeroEm(t, 0, 4);
        mes = numeroEm(t, 5, 2);
        dia = numeroEm(t, 8, 2);
    } else if (em(t, 2) == u'/' && em(t, 5) == u'/') {
        dia = numeroEm(t, 0, 2);
        mes = numeroEm(t, 3, 2);
        ano = numeroEm(t, 6, 4);
    } else {
        return std::nullopt;
    }
    if (ano < 0 || mes < 0 || dia < 0)
        return std::nullopt;
    const QDate data(ano, mes, dia);
    if (!data.isValid())
        return std::nullopt;
    if (t.size() == 10)
        return Momento{data, QTime(0, 0)};
    const bool separador = em(t, 10) == u' ' || (iso && em(t, 10) == u'T');
    if (!separador || em(t, 13) != u':' || em(t, 16) != u':')
        return std::nullopt;
    const int h = numeroEm(t, 11, 2);
    const int m = numeroEm(t, 14, 2);
    const int s = numeroEm(t, 17, 2);
    if (h < 0 || m < 0 || s < 0 || !QTime::isValid(h, m, s))
        return std::nullopt;
    return Momento{data, QTime(h, m, s)};
}

std::optional<Momento> leData(const QString &texto)
{
    const QString t = texto.trimmed();
    if (const std::optional<Momento> fixa = leFormaFixa(QStringView(t)))
        return fixa;
    static const QStringList formatos = {
        QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
        QStringLiteral("yyyy-MM-dd HH:mm"),    QStringLiteral("yyyy-MM-dd"),
        QStringLiteral("dd/MM/yyyy HH:mm:ss"), QStringLiteral("d/M/yyyy H:m:s"),
        QStringLiteral("dd/MM/yyyy"),          QStringLiteral("d/M/yyyy"),
    };
    for (const QString &formato : formatos) {
        const QDateTime data = QDateTime::fromString(t, formato);
        if (data.isValid())
            return Momento{data.date(), data.time()};
        const QDate dia = QDate::fromString(t, formato);
        if (dia.isValid())
            return Momento{dia, QTime(0, 0)};
    }
    return std::nullopt;
}

char16_t minuscula(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// Date patterns: d dd m mm yy yyyy h hh n nn s ss; "m" right after an hour
// means minutes. Anything else is copied. The pattern is a QStringView or a
// QLatin1StringView; `saida` takes numero(value, width) and copia(i, n).
template <typename Visao, typename Saida> void escreveData(const Momento &data, Visao padrao, Saida &saida)
{
    bool depoisDeHora = false;
    for (qsizetype i = 0; i < padrao.size();) {
        const char16_t c = minuscula(em(padrao, i));
        qsizetype n = 1;
        while (i + n < padrao.size() && minuscula(em(padrao, i + n)) == c)
            ++n;
        const int largura = n == 2 ? 2 : 1;
        if (c == u'd' && n <= 2) {
            saida.numero(data.dia.day(), largura);
        } else if (c == u'm' && n <= 2) {
            saida.numero(depoisDeHora ? data.hora.minute() : data.dia.month(), largura);
            depoisDeHora = false;
        } else if (c == u'y' && (n == 2 || n == 4)) {
            if (n == 4)
                saida.numero(data.dia.year(), 4);
            else
                saida.numero(data.dia.year() % 100, 2);
        } else if (c == u'h' && n <= 2) {
            saida.numero(data.hora.hour(), largura);
            depoisDeHora = true;
            i += n;
            continue;
        } else if (c == u'n' && n <= 2) {
            saida.numero(data.hora.minute(), largura);
        } else if (c == u's' && n <= 2) {
            saida.numero(data.hora.second(), largura);
        } else {
            saida.copia(i, n);
        }
        i += n;
    }
}

// The digits of a value that is not negative, zero-padded to `largura`,
// into `destino` (room for 12 characters); returns how many were written.
template <typename Caractere> int digitosDe(int v, int largura, Caractere *destino)
{
    char invertidos[12];
    int n = 0;
    do {
        invertidos[n++] = char('0' + v % 10);
        v /= 10;
    } while (v > 0);
    while (n < largura)
        invertidos[n++] = '0';
    for (int k = 0; k < n; ++k)
        destino[k] = Caractere(invertidos[n - 1 - k]);
    return n;
}

struct SaidaTexto
{
    QStringView padrao;
    QString texto;

    void numero(int v, int largura)
    {
        if (v < 0) {
            // Only a year before Christ: written as the general formatting does.
            texto += QStringLiteral("%1").arg(v, largura, 10, QLatin1Char('0'));
            return;
        }
        char16_t digitos[12];
        texto.append(reinterpret_cast<const QChar *>(digitos), digitosDe(v, largura, digitos));
    }
    void copia(qsizetype i, qsizetype n) { texto += padrao.mid(i, n); }
};

QString formataData(const Momento &data, const QString &padrao)
{
    SaidaTexto saida{QStringView(padrao), {}};
    saida.texto.reserve(padrao.size() + 4);
    escreveData(data, QStringView(padrao), saida);
    return saida.texto;
}

// Format() straight on the engine's bytes, for the common case of a date in a
// fixed form and a pattern of plain ASCII: no text conversions at all.
struct SaidaBytes
{
    QLatin1StringView padrao;
    char texto[256];
    int tamanho = 0;

    void numero(int v, int largura) { tamanho += digitosDe(v, largura, texto + tamanho); }
    void copia(qsizetype i, qsizetype n)
    {
        std::memcpy(texto + tamanho, padrao.data() + i, size_t(n));
        tamanho += int(n);
    }
};

QString formataNumero(double valor, const QString &padrao)
{
    const qsizetype zeros = padrao.count(QLatin1Char('0'));
    const qlonglong inteiro = qRound64(valor);
    QString digitos = QString::number(inteiro < 0 ? -inteiro : inteiro);
    if (digitos.size() < zeros)
        digitos = QString(zeros - digitos.size(), QLatin1Char('0')) + digitos;
    return inteiro < 0 ? QLatin1Char('-') + digitos : digitos;
}

template <typename Visao> bool padraoNumerico(Visao padrao)
{
    if (padrao.isEmpty())
        return false;
    for (qsizetype i = 0; i < padrao.size(); ++i) {
        if (em(padrao, i) != u'0' && em(padrao, i) != u'#')
            return false;
    }
    return true;
}

bool formataBytes(const FuncoesSqlite &lib, sqlite3_context *contexto, sqlite3_value **argumentos)
{
    const auto *padrao = reinterpret_cast<const char *>(lib.sqlite3_value_text(argumentos[1]));
    const int tamanhoPadrao = lib.sqlite3_value_bytes(argumentos[1]);
    // 64 pattern characters give at most 64 * 2.5 output bytes.
    if (!padrao || tamanhoPadrao > 64)
        return false;
    for (int i = 0; i < tamanhoPadrao; ++i) {
        if (static_cast<unsigned char>(padrao[i]) >= 0x80)
            return false;
    }
    const QLatin1StringView visaoPadrao(padrao, tamanhoPadrao);
    if (padraoNumerico(visaoPadrao))
        return false;
    const auto *texto = reinterpret_cast<const char *>(lib.sqlite3_value_text(argumentos[0]));
    if (!texto)
        return false;
    const std::optional<Momento> data = leFormaFixa(QLatin1StringView(texto, lib.sqlite3_value_bytes(argumentos[0])));
    if (!data || data->dia.year() < 0)
        return false;
    SaidaBytes saida{visaoPadrao, {}, 0};
    escreveData(*data, visaoPadrao, saida);
    lib.sqlite3_result_text(contexto, saida.texto, saida.tamanho, SQLITE_TRANSIENT);
    return true;
}

void funcaoFormat(sqlite3_context *contexto, int, sqlite3_value **argumentos)
{
    // Registered only once the functions were found.
    const FuncoesSqlite &lib = *sqlite();
    if (lib.sqlite3_value_type(argumentos[0]) == SQLITE_TEXT && formataBytes(lib, contexto, argumentos))
        return;
    QVariant valor;
    switch (lib.sqlite3_value_type(argumentos[0])) {
    case SQLITE_NULL:
        lib.sqlite3_result_null(contexto);
        return;
    case SQLITE_INTEGER:
        valor = static_cast<qlonglong>(lib.sqlite3_value_int64(argumentos[0]));
        break;
    case SQLITE_FLOAT:
        valor = lib.sqlite3_value_double(argumentos[0]);
        break;
    default:
        valor = QString::fromUtf8(reinterpret_cast<const char *>(lib.sqlite3_value_text(argumentos[0])));
        break;
    }
    const unsigned char *textoPadrao = lib.sqlite3_value_text(argumentos[1]);
    const QString padrao = textoPadrao ? QString::fromUtf8(reinterpret_cast<const char *>(textoPadrao)) : QString();
    const QByteArray resultado = formata(valor, padrao).toUtf8();
    lib.sqlite3_result_text(contexto, resultado.constData(), static_cast<int>(resultado.size()), SQLITE_TRANSIENT);
}

} // namespace

QString traduzSql(const QString &sql)
{
    // Only an ALTER TABLE can need it: any other statement goes as it is,
    // without compiling the expression (which the program's first query
    // would otherwise do during start-up).
    if (!QStringView(sql).trimmed().startsWith(QLatin1String("ALTER"), Qt::CaseInsensitive))
        return sql;
    static const QRegularExpression colunaString(
        QStringLiteral("^(\\s*ALTER\\s+TABLE\\s+\\S+\\s+ADD\\s+(?:COLUMN\\s+)?\\S+\\s+)string\\b"),
        QRegularExpression::CaseInsensitiveOption);
    QString traduzido = sql;
    traduzido.replace(colunaString, QStringLiteral("\\1TEXT"));
    return traduzido;
}

ErroTavo erroDoBanco(const QSqlError &erro)
{
    const QString texto = erro.databaseText().isEmpty() ? erro.text() : erro.databaseText();
    if (texto.contains(QLatin1String("no such column"), Qt::CaseInsensitive))
        return ErroTavo(Erros::ColunaInexistente,
                        QStringLiteral("Nenhum valor foi fornecido para um ou mais parâmetros necessários. (") + texto
                            + QLatin1Char(')'));
    return ErroTavo::doBanco(ErroTavo::Tipo::FalhaBanco, texto);
}

void preparaConexao(QSqlDatabase &banco)
{
    const QVariant handle = banco.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    auto *conexao = *static_cast<sqlite3 *const *>(handle.data());
    const FuncoesSqlite *funcoes = conexao ? sqlite() : nullptr;
    if (funcoes)
        funcoes->sqlite3_create_function_v2(conexao, "Format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                            funcaoFormat, nullptr, nullptr, nullptr);
}

QString formata(const QVariant &valor, const QString &padrao)
{
    if (valor.isNull())
        return {};
    if (padraoNumerico(QStringView(padrao))) {
        bool ok = false;
        const double numero = valor.toString().trimmed().toDouble(&ok);
        if (ok)
            return formataNumero(numero, padrao);
        return valor.toString();
    }
    if (valor.typeId() == QMetaType::QDateTime) {
        const QDateTime momento = valor.toDateTime();
        if (!momento.isValid())
            return valor.toString();
        return formataData(Momento{momento.date(), momento.time()}, padrao);
    }
    const std::optional<Momento> data = leData(valor.toString());
    if (!data)
        return valor.toString();
    return formataData(*data, padrao);
}

} // namespace CompatibilidadeJet
