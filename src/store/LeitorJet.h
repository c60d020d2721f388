#pragma once

#include "common/Erro.h"
#include "store/FormatoJet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>

// Reads the tables of a Jet (Access .mdb) file, read-only. The library that
// reads them trusts the file's structures, and a damaged file can make it
// crash or loop; so it runs in a helper program, tavo-leitor-jet, that
// writes what it reads to its standard output. The program gets a clear
// error instead of a crash, and a bounded wait instead of a hang.
//
// The helper is looked for, first match wins:
//  1. TAVO_LEITOR_JET set: that file, and only it (the tests, the bench and
//     the fuzz targets point it at the one in their build folder);
//  2. beside the running program (the build folder, or an installation that
//     keeps its programs together);
//  3. the installed helper folder, <libexecdir>/tavo-upload/.
namespace LeitorJet {

// Names of the file's user tables. Raises ErroTavo for a file that cannot be read.
QStringList tabelas(const QString &caminho);

// The named tables, one after the other, each as: its name; its number of
// columns; per column its name, kind and TipoJet; per row kLinha and one
// tagged value per column; then kFimTabela, the number of rows the file
// declares for the table (64 bits) and the number of its pages that could
// not be read (32 bits). Texts and bytes are a 32-bit
// length and the bytes (texts in UTF-8, reals as texts with a point);
// integers 64 bits. Values keep what the file holds: a date-time is the text
// "yyyy-mm-dd hh:mm:ss" (rounded to the second), a currency amount the exact
// text with its four decimals, an OLE object or binary value its bytes.
// Raises ErroTavo when a table cannot be read.
QByteArray exporta(const QString &caminho, const QStringList &nomes);

// textoDataHora and textoMoeda, the texts the helper gives dates and
// currency amounts, are declared in FormatoJet.h.

// The error for a Jet file that cannot be read; `detalhe` is what the log
// keeps besides (how the helper ended, what it said).
ErroTavo erroArquivo(const QString &caminho, const QString &motivo, const QString &detalhe = {});

// Test seam: while set, a reading that has not ended after `limite` is
// stopped as one that does not end (the usual bound is two minutes).
// std::nullopt returns to the usual bound.
void simulaLimite(std::optional<std::chrono::milliseconds> limite);

// Reads an export back; anything short of what it announces is an error.
class Leitura
{
public:
    Leitura(const QByteArray &dados, const QString &caminho)
        : m_dados(dados)
        , m_caminho(caminho)
    {
    }

    std::uint8_t u8() { return primitivo<std::uint8_t>(); }
    std::uint32_t u32() { return primitivo<std::uint32_t>(); }
    std::int64_t i64() { return primitivo<std::int64_t>(); }
    QByteArray bytes();
    QString texto() { return QString::fromUtf8(bytes()); }

private:
    template <typename T> T primitivo()
    {
        garante(sizeof(T));
        T valor;
        std::memcpy(&valor, m_dados.constData() + m_posicao, sizeof(T));
        m_posicao += sizeof(T);
        return valor;
    }
    void garante(qsizetype tamanho);

    const QByteArray &m_dados;
    QString m_caminho;
    qsizetype m_posicao = 0;
};

} // namespace LeitorJet
