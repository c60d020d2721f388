#pragma once

// What the Jet reader (the helper program tools/leitor-jet) and the client
// share: the export it writes to its standard output, the codes it exits
// with, and the texts of the values it formats itself. Plain C++, no Qt: the
// helper is built from this too.

#include <cstdint>
#include <string>

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

// The helper's command line: `tavo-leitor-jet tabelas <arquivo>` lists the
// user tables (a 32-bit count, then each name as a text);
// `tavo-leitor-jet exporta <arquivo> <tabela>...` writes the named tables.
inline constexpr char kComandoTabelas[] = "tabelas";
inline constexpr char kComandoExporta[] = "exporta";

// The helper's exit codes. Anything but Ok means its output is to be
// discarded; a crash (a signal) means the library gave up on a damaged file.
enum Saida : int {
    SaidaOk = 0,
    SaidaUso = 1,            // a command line the helper does not know
    SaidaNaoJet = 2,         // the file does not open as a Jet file
    SaidaSemCatalogo = 3,    // its catalog of tables cannot be read
    SaidaTabelaIlegivel = 4, // a named table is missing or cannot be read
    SaidaEscrita = 5,        // the output could not be written
    SaidaExcecao = 6,        // anything else (out of memory)
};

// The text of a Jet date-time (days from 30 December 1899; the fraction is
// the time of day whatever the days' sign), "yyyy-mm-dd hh:mm:ss" rounded to
// the second; empty for a value no date can have.
std::string textoDataHora(double dias);
// The exact text of a Jet currency amount (ten-thousandths): "-12.3400".
std::string textoMoeda(std::int64_t decimosMilesimos);

} // namespace LeitorJet
