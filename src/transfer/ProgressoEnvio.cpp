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

Passo passo(qint64 s, qint64 total)
{
    Passo resultado;
    if (s > total) {
        resultado.bytesAEnviar = MensagensCliente::TamanhoPeca - (s - total);
        if (resultado.bytesAEnviar < 0)
            resultado.bytesAEnviar = 0;
        resultado.valor = 100;
        resultado.texto =
            QStringLiteral("Status: 100% Completo. ") + FormataTamanho(total) + QStringLiteral(" Enviado.");
        return resultado;
    }
    resultado.bytesAEnviar = MensagensCliente::TamanhoPeca;
    resultado.valor = percentual(s, total);
    resultado.texto = QStringLiteral("Status: ") + QString::number(resultado.valor) + QStringLiteral("% Completo, ") +
                      FormataTamanho(total - s) + QStringLiteral(" Faltando...");
    return resultado;
}

} // namespace ProgressoEnvio
