#pragma once

#include <QString>

#include <exception>

// The one error type of the project: a number and a description, like the
// runtime errors the windows switch on. The numbers the windows test for are
// named below; anything else carries a number of its own.
class ErroTavo : public std::exception
{
public:
    // What failed, where one number stands for several failures: the
    // database engine's -2147467259 is both a file of no known format and
    // any other failure of the engine. Geral for every other error.
    enum class Tipo { Geral, FalhaBanco, FormatoBancoDesconhecido };

    // `detalhe`: what the description, which the user may see, leaves out
    // and the log keeps (the system's error number and text, a helper's
    // complaint).
    ErroTavo(long numero, QString descricao, QString detalhe = {});
    // The database engine's failures (Erros::FalhaBanco), told apart by kind.
    static ErroTavo doBanco(Tipo tipo, QString descricao, QString detalhe = {});

    long numero() const { return m_numero; }
    Tipo tipo() const { return m_tipo; }
    const QString &descricao() const { return m_descricao; }
    const QString &detalhe() const { return m_detalhe; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    // The error as the log writes it: "error 57: <description> [<detail>]".
    QString relato() const;
    // The error as a message box shows it: "<number>: <description>".
    QString texto() const;

private:
    long m_numero;
    Tipo m_tipo = Tipo::Geral;
    QString m_descricao;
    QString m_detalhe;
    QByteArray m_utf8;
};

namespace Erros {
// The database engine's "no value given for a required parameter", raised
// when a select names a column that the table lacks (0x80040E10).
inline constexpr long ColunaInexistente = -2147217904;
// Disk full (0x80070070).
inline constexpr long DiscoCheio = -2147024784;
// Path or file access error.
inline constexpr long AcessoArquivo = 75;
// Permission denied: a path through a link of another user, not followed.
inline constexpr long AtalhoAlheio = 70;
// Path not found.
inline constexpr long CaminhoNaoEncontrado = 76;
// File not found.
inline constexpr long ArquivoNaoEncontrado = 53;
// Type mismatch: a text that is not a number where one is needed.
inline constexpr long TipoIncompativel = 13;
// Invalid procedure call or argument: a value a routine cannot take.
inline constexpr long ArgumentoInvalido = 5;
// Overflow: a number outside the range of its type.
inline constexpr long Estouro = 6;
// Error loading a library: the ZIP library could not be used.
inline constexpr long BibliotecaNaoCarregada = 48;
// Invalid property value: a control given a value it cannot hold.
inline constexpr long ValorPropriedadeInvalido = 380;
// Operation not allowed when the object is closed: a statement or a close
// on a database connection that is not open.
inline constexpr long ObjetoFechado = 3704;
// BOF or EOF: a result read or moved past its last row.
inline constexpr long SemRegistroAtual = 3021;
// Item not found in the collection: a column the result does not have.
inline constexpr long ItemNaoEncontrado = 3265;
// Invalid use of Null.
inline constexpr long UsoInvalidoDeNulo = 94;
// A failure of the database engine, a file that is not a database of a
// known format among them: ErroTavo::Tipo tells which.
inline constexpr long FalhaBanco = -2147467259;
// Any other failure of a file operation.
inline constexpr long FalhaArquivo = 57;
} // namespace Erros
