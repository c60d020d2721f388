#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

// The export as it is written: values in the byte order of the machine
// (the client reading it runs on the same one), gathered in a buffer and
// written out in large blocks.
class Canal
{
public:
    explicit Canal(std::FILE *saida)
        : m_saida(saida)
    {
    }

    void u8(std::uint8_t v) { bytes(&v, 1); }
    void u32(std::uint32_t v) { bytes(&v, sizeof v); }
    void i64(std::int64_t v) { bytes(&v, sizeof v); }
    // A text or a run of bytes: its 32-bit length, then the bytes.
    void texto(const char *dados, std::size_t tamanho)
    {
        u32(static_cast<std::uint32_t>(tamanho));
        bytes(dados, tamanho);
    }
    void texto(const char *dados) { texto(dados, std::strlen(dados)); }

    // Writes out what is gathered. False once a write has failed: the
    // reader went away, and there is no point in going on.
    bool descarrega();
    bool ok() const { return m_ok; }

private:
    void bytes(const void *dados, std::size_t tamanho);

    std::FILE *m_saida;
    std::string m_buffer;
    bool m_ok = true;
};
