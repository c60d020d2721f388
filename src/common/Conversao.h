#pragma once

#include <QString>

#include <cstdint>

// Conversions of typed or stored text to the small integer types the
// windows work with. Halves round to the even neighbour; a text that is not a
// number raises ErroTavo(Erros::TipoIncompativel), one out of range
// ErroTavo(Erros::Estouro).
namespace Conversao {
std::int16_t paraInteiro16(const QString &texto);
std::int32_t paraInteiro32(const QString &texto);
// Rounds halves to the even neighbour and checks the 16-bit range.
std::int16_t arredondaInteiro16(double valor);
} // namespace Conversao
