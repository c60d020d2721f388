#include "package/StatusZip.h"

#include "common/Conversao.h"

#include <QLocale>

QString PegaCampo(const QString &texto, const QString &separador, int numero)
{
    if (separador.isEmpty() || numero < 1)
        return {};
    const QString resto = texto + separador;
    qsizetype inicio = 0;
    for (int campo = 1;; ++campo) {
        const qsizetype fim = resto.indexOf(separador, inicio);
        if (fim < 0)
            return {};
        if (campo == numero)
            return resto.mid(inicio, fim - inicio);
        inicio = fim + separador.size();
    }
}

std::int16_t LeNumeroInicial(const QString &texto)
{
    const auto branco = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    };
    // Blanks are skipped wherever they are, as the status fields were always read.
    QString numero;
    bool sinal = false;
    bool ponto = false;
    bool digito = false;
    for (const QChar c : texto) {
        if (branco(c))
            continue;
        if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && !sinal && !digito && !ponto) {
            numero += c;
            sinal = true;
        } else if (c.unicode() >= '0' && c.unicode() <= '9') {
            numero += c;
            digito = true;
        } else if (c == QLatin1Char('.') && !ponto) {
            numero += c;
            ponto = true;
        } else {
            break;
        }
    }
    if (!digito)
        return 0;
    return Conversao::arredondaInteiro16(QLocale::c().toDouble(numero));
}

std::int16_t CodigoAcao(const QString &status)
{
    return LeNumeroInicial(PegaCampo(status, QStringLiteral("|"), 2));
}

QString ArquivoAcao(const QString &status)
{
    return PegaCampo(status, QStringLiteral("|"), 4);
}

std::int16_t PercentualAcao(const QString &status)
{
    return LeNumeroInicial(PegaCampo(status, QStringLiteral("|"), 7));
}

QString DescricaoAcao(std::int16_t codigo)
{
    switch (codigo) {
    case 10:
        return QStringLiteral("Procurando");
    case 11:
        return QStringLiteral("Comentário");
    case 12:
        return QStringLiteral("Zipando");
    case 13:
        return QStringLiteral("Zipado");
    case 14:
        return QStringLiteral("Deszipando");
    case 15:
        return QStringLiteral("Deszipado");
    case 16:
        return QStringLiteral("Testando");
    case 17:
        return QStringLiteral("Testado");
    case 18:
        return QStringLiteral("Deletando");
    case 19:
        return QStringLiteral("Deletado");
    case 20:
        return QStringLiteral("Troca Disco");
    case 21:
        return QStringLiteral("Visualizar");
    case 22:
        return QStringLiteral("Erro");
    case 23:
        return QStringLiteral("Aviso");
    case 24:
        return QStringLiteral("Sobrescrever");
    case 25:
        return QStringLiteral("Copiando");
    case 26:
        return QStringLiteral("Copiado");
    case 255:
        return QStringLiteral("Abortando");
    default:
        return QStringLiteral("-=Desconhecido=-");
    }
}

namespace {

QString linha(std::int16_t codigo, const QString &item, int percentual)
{
    return DescricaoAcao(codigo) + QLatin1Char(' ') + item + QStringLiteral(" -> ") + QString::number(percentual)
           + QLatin1Char('%');
}

} // namespace

QString LinhaProgresso(const QString &status)
{
    return linha(CodigoAcao(status), ArquivoAcao(status), PercentualAcao(status));
}

QString LinhaEvento(const EventoZip &evento)
{
    return linha(static_cast<std::int16_t>(evento.acao), evento.item, evento.percentual);
}

QString MontaStatus(const EventoZip &evento)
{
    // Fields 1, 3, 5 and 6 stay empty. Joined, not formatted: an item name
    // may hold "%1".
    return QLatin1Char('|') + QString::number(static_cast<std::int16_t>(evento.acao)) + QStringLiteral("||")
           + evento.item + QStringLiteral("|||") + QString::number(evento.percentual) + QLatin1Char('|');
}
