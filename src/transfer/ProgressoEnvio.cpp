#include "transfer/ProgressoEnvio.h"

#include "common/FormataTamanho.h"
#include "transfer/MensagensCliente.h"

#include <cmath>

namespace ProgressoEnvio {

int percentual(qint64 s, qint64 total)
{
    if (total <= 0)
        return 100;
    // nearbyint rounds halves to even under the default rounding mode.
    return static_cast<int>(std::nearbyint(100.0 * static_cast<double>(s) / static_cast<double>(total)));
}

qint64 bytesDoPasso(qint64 s, qint64 total)
{
    if (s <= total)
        return MensagensCliente::TamanhoPeca;
    return qMax<qint64>(0, MensagensCliente::TamanhoPeca - (s - total));
}

int valorDoPasso(qint64 s, qint64 total)
{
    return s > total ? 100 : percentual(s, total);
}

Passo passo(qint64 s, qint64 total)
{
    Passo resultado;
    resultado.bytesAEnviar = bytesDoPasso(s, total);
    resultado.valor = valorDoPasso(s, total);
    if (s > total) {
        resultado.texto =
            QStringLiteral("Status: 100% Completo. ") + FormataTamanho(total) + QStringLiteral(" Enviado.");
        return resultado;
    }
    resultado.texto = QStringLiteral("Status: ") + QString::number(resultado.valor) + QStringLiteral("% Completo, ")
                      + FormataTamanho(total - s) + QStringLiteral(" Faltando...");
    return resultado;
}

} // namespace ProgressoEnvio
