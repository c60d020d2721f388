// The status texts of the ZIP jobs: field splitting, the numbers read from
// fields 2 and 7, and the progress line. Checked against the definition of
// the fields and against a plain reading of the leading number.
#include "common/Erro.h"
#include "package/StatusZip.h"

#include <QStringList>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace {

void falha(const char *motivo)
{
    std::fprintf(stderr, "invariante violada: %s\n", motivo);
    std::abort();
}

// The leading number as the fields are read: blanks anywhere skipped, an
// optional sign before anything else, digits, one point; then strtod.
// Empty optional when the value does not fit 16 bits (overflow expected).
std::optional<std::int16_t> numeroEsperado(const QString &texto)
{
    std::string numero;
    bool sinal = false, ponto = false, digito = false;
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u == ' ' || u == '\t' || u == '\r' || u == '\n')
            continue;
        if ((u == '-' || u == '+') && !sinal && !digito && !ponto) {
            numero += static_cast<char>(u);
            sinal = true;
        } else if (u >= '0' && u <= '9') {
            numero += static_cast<char>(u);
            digito = true;
        } else if (u == '.' && !ponto) {
            numero += '.';
            ponto = true;
        } else {
            break;
        }
    }
    if (!digito)
        return std::int16_t{0};
    const double valor = std::nearbyint(std::strtod(numero.c_str(), nullptr));
    if (!std::isfinite(valor) || valor < -32768 || valor > 32767)
        return std::nullopt;
    return static_cast<std::int16_t>(valor);
}

void confereNumero(const QString &campo, const std::function<std::int16_t()> &le)
{
    const std::optional<std::int16_t> esperado = numeroEsperado(campo);
    try {
        const std::int16_t lido = le();
        if (!esperado || lido != *esperado)
            falha("número inicial lido diferente do esperado");
    } catch (const ErroTavo &erro) {
        if (esperado || erro.numero() != Erros::Estouro)
            falha("erro inesperado ao ler o número inicial");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *dados, std::size_t tamanho)
{
    if (tamanho < 2)
        return 0;
    // Byte 0: the field asked for; byte 1: the separator's length (0-3).
    const int numero = static_cast<int>(static_cast<std::int8_t>(dados[0]));
    const std::size_t tamanhoSeparador = std::min<std::size_t>(dados[1] % 4, tamanho - 2);
    const QString separador =
        QString::fromLatin1(reinterpret_cast<const char *>(dados + 2), static_cast<qsizetype>(tamanhoSeparador));
    const QString texto = QString::fromUtf8(reinterpret_cast<const char *>(dados + 2 + tamanhoSeparador),
                                            static_cast<qsizetype>(tamanho - 2 - tamanhoSeparador));

    // PegaCampo with any separator: one separator is appended to the text,
    // and the fields are what lies between separators, left to right.
    const QString campo = PegaCampo(texto, separador, numero);
    if (separador.isEmpty() || numero < 1) {
        if (!campo.isEmpty())
            falha("campo com separador vazio ou número < 1");
    } else {
        const QStringList partes = QString(texto + separador).split(separador);
        const QString esperado = numero < partes.size() ? partes.at(numero - 1) : QString();
        if (campo != esperado)
            falha("PegaCampo diferente da divisão pelo separador");
    }

    // The readers of a status text ("|" separated).
    const QString acao = PegaCampo(texto, QStringLiteral("|"), 2);
    const QString percentual = PegaCampo(texto, QStringLiteral("|"), 7);
    confereNumero(acao, [&] { return CodigoAcao(texto); });
    confereNumero(percentual, [&] { return PercentualAcao(texto); });
    if (ArquivoAcao(texto) != PegaCampo(texto, QStringLiteral("|"), 4))
        falha("ArquivoAcao não é o campo 4");
    try {
        const QString linha = LinhaProgresso(texto);
        if (!linha.startsWith(DescricaoAcao(CodigoAcao(texto)) + QLatin1Char(' ')) || !linha.endsWith(QLatin1Char('%')))
            falha("linha de progresso fora da forma");
    } catch (const ErroTavo &erro) {
        if (erro.numero() != Erros::Estouro)
            falha("erro inesperado na linha de progresso");
    }

    // A status the program builds reads back as built, whatever the item
    // holds except the separator, and gives the line of its event.
    QString item = texto;
    item.remove(QLatin1Char('|'));
    const std::int16_t codigo = static_cast<std::int16_t>(numero);
    const int parte = static_cast<int>(dados[1]) % 101;
    const EventoZip evento{static_cast<AcaoZip>(codigo), item, parte};
    const QString montado = MontaStatus(evento);
    if (CodigoAcao(montado) != codigo || ArquivoAcao(montado) != item || PercentualAcao(montado) != parte)
        falha("MontaStatus não se lê de volta");
    if (LinhaProgresso(montado) != LinhaEvento(evento))
        falha("linha do status diferente da linha do evento");
    return 0;
}
