#include "common/Conversao.h"

#include "common/Erro.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

double leNumero(const QString &texto)
{
    const QString limpo = texto.trimmed();
    bool ok = false;
    double valor = QLocale::c().toDouble(limpo, &ok);
    if (!ok)
        valor = QLocale().toDouble(limpo, &ok);
    if (!ok || !std::isfinite(valor))
        throw ErroTavo(Erros::TipoIncompativel, QStringLiteral("Tipo incompatível"));
    return valor;
}

template <typename T> T arredondaNoIntervalo(double valor)
{
    const double arredondado = std::nearbyint(valor); // default mode: halves to even
    if (arredondado < static_cast<double>(std::numeric_limits<T>::min())
        || arredondado > static_cast<double>(std::numeric_limits<T>::max()))
        throw ErroTavo(Erros::Estouro, QStringLiteral("Estouro"));
    return static_cast<T>(arredondado);
}

} // namespace

namespace Conversao {

std::int16_t paraInteiro16(const QString &texto)
{
    return arredondaNoIntervalo<std::int16_t>(leNumero(texto));
}

std::int32_t paraInteiro32(const QString &texto)
{
    return arredondaNoIntervalo<std::int32_t>(leNumero(texto));
}

std::int16_t arredondaInteiro16(double valor)
{
    if (!std::isfinite(valor))
        throw ErroTavo(Erros::Estouro, QStringLiteral("Estouro"));
    return arredondaNoIntervalo<std::int16_t>(valor);
}

} // namespace Conversao
