#include "common/FormataTamanho.h"

#include <QLocale>

#include <array>
#include <cmath>

QString FormataTamanho(qint64 bytes)
{
    const QLocale locale;
    if (bytes < 0)
        return {};
    if (bytes < 1024)
        return locale.toString(bytes) + QStringLiteral(" bytes");

    static const std::array<const char *, 6> unidades = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double valor = static_cast<double>(bytes) / 1024.0;
    std::size_t unidade = 0;
    while (valor >= 1024.0 && unidade + 1 < unidades.size()) {
        valor /= 1024.0;
        ++unidade;
    }
    // Three significant figures, cutting the digits that do not fit.
    const int decimais = valor < 10.0 ? 2 : valor < 100.0 ? 1 : 0;
    const double escala = std::pow(10.0, decimais);
    const double cortado = std::floor(valor * escala + 1e-9) / escala;
    return locale.toString(cortado, 'f', decimais) + QLatin1Char(' ') + QLatin1String(unidades[unidade]);
}
