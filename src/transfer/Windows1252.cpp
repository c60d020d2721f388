#include "transfer/Windows1252.h"

#include <QList>

#include <array>

namespace Windows1252 {

namespace {

// Bytes 0x80 to 0x9F; the others match Latin-1. Zero marks the five bytes
// the page leaves undefined (they stand for themselves).
constexpr std::array<char16_t, 32> kFaixa80 = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                               0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char byteDe(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kFaixa80.size(); ++i) {
        const char32_t alvo = kFaixa80[i] ? kFaixa80[i] : char32_t(0x80 + i);
        if (alvo == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray codifica(const QString &texto)
{
    QByteArray bytes;
    bytes.reserve(texto.size());
    for (const char32_t c : texto.toUcs4())
        bytes.append(byteDe(c));
    return bytes;
}

QString decodifica(const QByteArray &bytes)
{
    QString texto;
    texto.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u >= 0x80 && u <= 0x9F && kFaixa80[u - 0x80])
            texto.append(QChar(kFaixa80[u - 0x80]));
        else
            texto.append(QChar(char16_t(u)));
    }
    return texto;
}

} // namespace Windows1252
