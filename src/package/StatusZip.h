#pragma once

#include <QString>

#include <cstdint>

// The status texts of a ZIP job and the progress line made from them.
//
// A status text is a list of fields separated by "|", numbered from 1:
// field 2 is the action code, field 4 the item being processed and field 7
// the percentage of the step done. A field the text does not reach is empty.

// Text of field `numero` of `texto`, fields separated by `separador`.
QString PegaCampo(const QString &texto, const QString &separador, int numero);
// Field 2 read as a 16-bit integer.
std::int16_t CodigoAcao(const QString &status);
// Field 4.
QString ArquivoAcao(const QString &status);
// Field 7 read as a 16-bit integer.
std::int16_t PercentualAcao(const QString &status);
// Name shown for an action code ("Zipando", "Deszipando", ...).
QString DescricaoAcao(std::int16_t codigo);

// Reads a leading decimal number as the status fields are read: blanks
// skipped, stops at the first character that cannot continue the number, the
// point as decimal separator, 0 when there is none; rounded to 16 bits with
// halves to the even neighbour.
std::int16_t LeNumeroInicial(const QString &texto);

// The progress line of a status text: name of the action, a blank, the item,
// " -> ", the percentage and "%".
QString LinhaProgresso(const QString &status);

// Action codes the program's own ZIP jobs report.
namespace AcaoZip {
inline constexpr std::int16_t Zipando = 12;
inline constexpr std::int16_t Zipado = 13;
inline constexpr std::int16_t Deszipando = 14;
inline constexpr std::int16_t Deszipado = 15;
inline constexpr std::int16_t Testando = 16;
inline constexpr std::int16_t Testado = 17;
} // namespace AcaoZip

// A status text with the given action code, item and percentage.
QString MontaStatus(std::int16_t codigo, const QString &item, int percentual);
