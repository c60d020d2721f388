#pragma once

#include <QString>

#include <cstdint>

// The fixed-width text of the history report: five heading lines, one line
// per send and, when there was at least one, a closing rule and the total.
// Lines end in CRLF; the total line has none after it.
namespace RelatorioHistorico {

// The rules above and below the column headings and above the total.
inline constexpr int larguraRegua = 91;
// The field the office name is right-aligned in.
inline constexpr int larguraEscritorio = 20;

// Full month name of the regional settings, in capitals with its accents
// ("MARÇO"). A month outside 1..12 raises ErroTavo 5, as asking the system
// for the name of a month that does not exist does.
QString nomeMes(int mes);

// The five heading lines, each ended by CRLF.
QString cabecalho(int mes, int ano);

// The office name as the report shows it: blanks at both ends removed, every
// "SSRE DE" removed (exact case), right-aligned in 20. A longer name is
// written whole and shifts the rest of its line.
QString escritorio(const QString &descricao);

// One row line, ended by CRLF. `dataEnvio` is already written day first.
QString linha(const QString &dataEnvio, const QString &descricao, const QString &codigoEscola,
              const QString &nomeArquivo, const QString &tipo);

// The closing rule and the total; empty when no row was written. The count
// has at least four digits and is never cut.
QString rodape(qint64 quantidade);

// Builds the whole text row by row in one growing buffer, so that a month of
// tens of thousands of sends costs time in proportion to its size.
class Montador
{
public:
    // Raises ErroTavo 5 for a month outside 1..12.
    Montador(int mes, int ano);

    void acrescenta(const QString &dataEnvio, const QString &descricao, const QString &codigoEscola,
                    const QString &nomeArquivo, const QString &tipo);
    qint64 quantidade() const { return m_quantidade; }
    // The finished report; the builder is left empty.
    QString termina();

private:
    QString m_texto;
    qint64 m_quantidade = 0;
};

} // namespace RelatorioHistorico
