#include "store/FormatoJet.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace LeitorJet {

std::string textoDataHora(double dias)
{
    if (!std::isfinite(dias) || std::fabs(dias) > 3.0e6)
        return {};
    const double inteiro = std::trunc(dias);
    long long dia = static_cast<long long>(inteiro);
    int segundos = static_cast<int>(std::llround(std::fabs(dias - inteiro) * 86400.0));
    if (segundos >= 86400) { // 24:00:00 is midnight of the next day
        segundos -= 86400;
        ++dia;
    }
    using namespace std::chrono;
    const year_month_day data{sys_days{days{dia - 25569}}}; // 25569 days from 1899-12-30 to 1970-01-01
    char texto[32];
    std::snprintf(texto, sizeof texto, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(data.year()) % 100000,
                  static_cast<unsigned>(data.month()) % 100, static_cast<unsigned>(data.day()) % 100,
                  segundos / 3600 % 100, segundos / 60 % 60, segundos % 60);
    return texto;
}

std::string textoMoeda(std::int64_t decimosMilesimos)
{
    const std::uint64_t absoluto = decimosMilesimos < 0 ? 0 - static_cast<std::uint64_t>(decimosMilesimos)
                                                        : static_cast<std::uint64_t>(decimosMilesimos);
    char texto[32];
    std::snprintf(texto, sizeof texto, "%s%llu.%04llu", decimosMilesimos < 0 ? "-" : "",
                  static_cast<unsigned long long>(absoluto / 10000), static_cast<unsigned long long>(absoluto % 10000));
    return texto;
}

} // namespace LeitorJet
