#pragma once

#include "common/Erro.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstring>
#include <string>

// Reads the tables of a Jet (Access .mdb) file, read-only, with libmdb. The
// library trusts the file's structures, and a damaged file can make it crash
// or loop; so it runs in a child process that writes what it reads into a
// pipe. The program gets a clear error instead of a crash, and a bounded
// wait instead of a hang.
namespace LeitorJet {

// The kind of a column, and the tag of each value of an export.
enum class Valor : std::uint8_t { Nulo = 0, Texto = 1, Inteiro = 2, Real = 3, Binario = 4 };

// A column's type in the file, by the numbers the file itself uses.
enum class TipoJet : std::uint8_t {
    SimNao = 0x01,
    Byte = 0x02,
    Inteiro = 0x03,
    InteiroLongo = 0x04,
    Moeda = 0x05,
    Simples = 0x06,
    Duplo = 0x07,
    DataHora = 0x08,
    Binario = 0x09,
    Texto = 0x0a,
    Ole = 0x0b,
    Memorando = 0x0c,
    IdReplicacao = 0x0f,
    Decimal = 0x10,
    Complexo = 0x12,
};
inline constexpr std::uint8_t kLinha = 1;
inline constexpr std::uint8_t kFimTabela = 0;

// Names of the file's user tables. Raises ErroTavo for a file that cannot be read.
QStringList tabelas(const QString &caminho);

// The named tables, one after the other, each as: its name; its number of
// columns; per column its name, kind and TipoJet; per row kLinha and one
// tagged value per column; then kFimTabela. Texts and bytes are a 32-bit
// length and the bytes (texts in UTF-8, reals as texts with a point);
// integers 64 bits. Values keep what the file holds: a date-time is the text
// "yyyy-mm-dd hh:mm:ss" (rounded to the second), a currency amount the exact
// text with its four decimals, an OLE object or binary value its bytes.
// Raises ErroTavo when a table cannot be read.
QByteArray exporta(const QString &caminho, const QStringList &nomes);

// The text of a Jet date-time (days from 30 December 1899; the fraction is
// the time of day whatever the days' sign), "yyyy-mm-dd hh:mm:ss" rounded to
// the second; empty for a value no date can have.
std::string textoDataHora(double dias);
// The exact text of a Jet currency amount (ten-thousandths): "-12.3400".
std::string textoMoeda(std::int64_t decimosMilesimos);

// The error for a Jet file that cannot be read.
ErroTavo erroArquivo(const QString &caminho, const QString &motivo);

// Reads an export back; anything short of what it announces is an error.
class Leitura
{
public:
    Leitura(const QByteArray &dados, const QString &caminho) : m_dados(dados), m_caminho(caminho) {}

    std::uint8_t u8() { return primitivo<std::uint8_t>(); }
    std::uint32_t u32() { return primitivo<std::uint32_t>(); }
    std::int64_t i64() { return primitivo<std::int64_t>(); }
    QByteArray bytes();
    QString texto() { return QString::fromUtf8(bytes()); }

private:
    template<typename T>
    T primitivo()
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
