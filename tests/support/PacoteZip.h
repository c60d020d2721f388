#pragma once

// Packages written byte by byte, for tests that need a ZIP file of an exact
// size: one entry stored as it is (not deflated), the headers as any ZIP
// program writes them. A send refuses what does not read back whole, so even
// a test of the protocol sends a real package.

#include <QByteArray>
#include <QRandomGenerator>
#include <QtGlobal>

#include <array>

namespace PacoteZip {

// The CRC-32 a ZIP entry carries.
inline quint32 crc32(const QByteArray &dados)
{
    static const std::array<quint32, 256> tabela = [] {
        std::array<quint32, 256> linhas{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            linhas[i] = c;
        }
        return linhas;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (const char byte : dados)
        c = tabela[(c ^ static_cast<quint8>(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

// A ZIP holding `dados` stored as the entry `nome`: 98 bytes, twice the
// name's length and the data.
inline QByteArray armazenado(const QByteArray &dados, const QByteArray &nome = "mirv_dat.mdb")
{
    QByteArray zip;
    const auto u16 = [&zip](quint32 valor) {
        zip.append(char(valor & 0xFF));
        zip.append(char((valor >> 8) & 0xFF));
    };
    const auto u32 = [&u16](quint32 valor) {
        u16(valor & 0xFFFF);
        u16(valor >> 16);
    };
    const quint32 crc = crc32(dados);
    const auto tamanho = static_cast<quint32>(dados.size());
    // Local header: version 1.0, no flags, stored, 1980-01-01.
    u32(0x04034b50);
    for (quint32 campo : {10u, 0u, 0u, 0u, 0x21u})
        u16(campo);
    u32(crc);
    u32(tamanho);
    u32(tamanho);
    u16(quint32(nome.size()));
    u16(0);
    zip += nome + dados;
    const auto central = static_cast<quint32>(zip.size());
    u32(0x02014b50);
    for (quint32 campo : {20u, 10u, 0u, 0u, 0u, 0x21u})
        u16(campo);
    u32(crc);
    u32(tamanho);
    u32(tamanho);
    u16(quint32(nome.size()));
    for (quint32 campo : {0u, 0u, 0u, 0u})
        u16(campo);
    u32(0);
    u32(0); // the local header's offset
    zip += nome;
    const auto tamanhoCentral = static_cast<quint32>(zip.size()) - central;
    u32(0x06054b50);
    for (quint32 campo : {0u, 0u, 1u, 1u})
        u16(campo);
    u32(tamanhoCentral);
    u32(central);
    u16(0);
    return zip;
}

// A package of exactly `tamanho` bytes (100 at least) whose entry holds
// bytes of every value, the same for the same seed.
inline QByteArray deTamanho(qint64 tamanho, quint32 semente)
{
    if (tamanho < 100)
        qFatal("a package has 100 bytes at least, not %lld", tamanho);
    const QByteArray nome = tamanho < 98 + 2 * 12 ? QByteArray("a") : QByteArray("mirv_dat.mdb");
    QByteArray dados(tamanho - 98 - 2 * nome.size(), Qt::Uninitialized);
    QRandomGenerator gerador(semente);
    for (char &byte : dados)
        byte = static_cast<char>(gerador.bounded(256));
    return armazenado(dados, nome);
}

} // namespace PacoteZip
