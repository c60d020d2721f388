#include "store/CompatibilidadeJet.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDriver>

#include <sqlite3.h>

namespace CompatibilidadeJet {

namespace {

QDateTime leData(const QString &texto)
{
    const QString t = texto.trimmed();
    static const QStringList formatos = {
        QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
        QStringLiteral("yyyy-MM-dd HH:mm"),    QStringLiteral("yyyy-MM-dd"),
        QStringLiteral("dd/MM/yyyy HH:mm:ss"), QStringLiteral("d/M/yyyy H:m:s"),
        QStringLiteral("dd/MM/yyyy"),          QStringLiteral("d/M/yyyy"),
    };
    for (const QString &formato : formatos) {
        QDateTime data = QDateTime::fromString(t, formato);
        if (data.isValid())
            return data;
        const QDate dia = QDate::fromString(t, formato);
        if (dia.isValid())
            return QDateTime(dia, QTime(0, 0));
    }
    return {};
}

// Date patterns: d dd m mm yy yyyy h hh n nn s ss; "m" right after an hour
// means minutes. Anything else is copied.
QString formataData(const QDateTime &data, const QString &padrao)
{
    QString saida;
    bool depoisDeHora = false;
    for (qsizetype i = 0; i < padrao.size();) {
        const QChar c = padrao.at(i).toLower();
        qsizetype n = 1;
        while (i + n < padrao.size() && padrao.at(i + n).toLower() == c)
            ++n;
        const auto dois = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
        if (c == QLatin1Char('d') && n <= 2) {
            saida += n == 2 ? dois(data.date().day()) : QString::number(data.date().day());
        } else if (c == QLatin1Char('m') && n <= 2) {
            const int v = depoisDeHora ? data.time().minute() : data.date().month();
            saida += n == 2 ? dois(v) : QString::number(v);
            depoisDeHora = false;
        } else if (c == QLatin1Char('y') && (n == 2 || n == 4)) {
            saida += n == 4 ? QStringLiteral("%1").arg(data.date().year(), 4, 10, QLatin1Char('0'))
                            : dois(data.date().year() % 100);
        } else if (c == QLatin1Char('h') && n <= 2) {
            saida += n == 2 ? dois(data.time().hour()) : QString::number(data.time().hour());
            depoisDeHora = true;
            i += n;
            continue;
        } else if (c == QLatin1Char('n') && n <= 2) {
            saida += n == 2 ? dois(data.time().minute()) : QString::number(data.time().minute());
        } else if (c == QLatin1Char('s') && n <= 2) {
            saida += n == 2 ? dois(data.time().second()) : QString::number(data.time().second());
        } else {
            saida += padrao.mid(i, n);
            i += n;
            continue;
        }
        i += n;
    }
    return saida;
}

QString formataNumero(double valor, const QString &padrao)
{
    const qsizetype zeros = padrao.count(QLatin1Char('0'));
    const qlonglong inteiro = qRound64(valor);
    QString digitos = QString::number(inteiro < 0 ? -inteiro : inteiro);
    if (digitos.size() < zeros)
        digitos = QString(zeros - digitos.size(), QLatin1Char('0')) + digitos;
    return inteiro < 0 ? QLatin1Char('-') + digitos : digitos;
}

bool padraoNumerico(const QString &padrao)
{
    static const QRegularExpression numerico(QStringLiteral("^[0#]+$"));
    return numerico.match(padrao).hasMatch();
}

void funcaoFormat(sqlite3_context *contexto, int, sqlite3_value **argumentos)
{
    QVariant valor;
    switch (sqlite3_value_type(argumentos[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(contexto);
        return;
    case SQLITE_INTEGER:
        valor = static_cast<qlonglong>(sqlite3_value_int64(argumentos[0]));
        break;
    case SQLITE_FLOAT:
        valor = sqlite3_value_double(argumentos[0]);
        break;
    default:
        valor = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argumentos[0])));
        break;
    }
    const unsigned char *textoPadrao = sqlite3_value_text(argumentos[1]);
    const QString padrao = textoPadrao ? QString::fromUtf8(reinterpret_cast<const char *>(textoPadrao)) : QString();
    const QByteArray resultado = formata(valor, padrao).toUtf8();
    sqlite3_result_text(contexto, resultado.constData(), static_cast<int>(resultado.size()), SQLITE_TRANSIENT);
}

} // namespace

QString traduzSql(const QString &sql)
{
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
                        QStringLiteral("Nenhum valor foi fornecido para um ou mais parâmetros necessários. (")
                            + texto + QLatin1Char(')'));
    return ErroTavo(Erros::FalhaBanco, texto);
}

void preparaConexao(QSqlDatabase &banco)
{
    const QVariant handle = banco.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    auto *sqlite = *static_cast<sqlite3 *const *>(handle.data());
    if (sqlite)
        sqlite3_create_function_v2(sqlite, "Format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   funcaoFormat, nullptr, nullptr, nullptr);
}

QString formata(const QVariant &valor, const QString &padrao)
{
    if (valor.isNull())
        return {};
    if (padraoNumerico(padrao)) {
        bool ok = false;
        const double numero = valor.toString().trimmed().toDouble(&ok);
        if (ok)
            return formataNumero(numero, padrao);
        return valor.toString();
    }
    const QDateTime data = valor.typeId() == QMetaType::QDateTime ? valor.toDateTime() : leData(valor.toString());
    if (!data.isValid())
        return valor.toString();
    return formataData(data, padrao);
}

} // namespace CompatibilidadeJet
