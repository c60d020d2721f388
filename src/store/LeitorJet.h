#pragma once

#include "common/Erro.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstring>

// Reads the tables of a Jet (Access .mdb) file, read-only, with libmdb. The
// library trusts the file's structures, and a damaged file can make it crash
// or loop; so it runs in a child process that writes what it reads into a
// pipe. The program gets a clear error instead of a crash, and a bounded
// wait instead of a hang.
namespace LeitorJet {

// The kind of a column, and the tag of each value of an export.
enum class Valor : std::uint8_t { Nulo = 0, Texto = 1, Inteiro = 2, Real = 3, Binario = 4 };
inline constexpr std::uint8_t kLinha = 1;
inline constexpr std::uint8_t kFimTabela = 0;

// Names of the file's user tables. Raises ErroTavo for a file that cannot be read.
QStringList tabelas(const QString &caminho);

// The named tables, one after the other, each as: its name; its number of
// columns; per column its name and kind; per row kLinha and one tagged value
// per column; then kFimTabela. Texts and bytes are a 32-bit length and the
// bytes (texts in UTF-8, reals as texts with a point); integers 64 bits.
// Raises ErroTavo when a table cannot be read.
QByteArray exporta(const QString &caminho, const QStringList &nomes);

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
