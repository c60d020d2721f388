#pragma once

#include <QString>

#include <optional>

// The query of the school database that identifies the school: which
// school and regional office the database belongs to.

// The school and its regional office as a school database names them.
struct DadosEscola
{
    QString codigoSRE;
    QString sre;
    QString escola;
    QString codigoEscola;
};

// The statement that reads them: the schools of Escola_local whose office
// exists in ace_estrut_orgn, in the order Escola_local stores them.
QString ComandoIdentificacao();

// Reads the school database at the host path `caminhoLocal` (Access or
// SQLite) in a session of its own: the first row of the
// identification, each value without surrounding blanks and in upper case
// (accents kept). Nothing when the join has no row. A missing or unreadable
// file, a missing table or column, or a Null in a used column raises
// ErroTavo. The database is closed on every way out.
std::optional<DadosEscola> ConsultaDadosEscola(const QString &caminhoLocal);
