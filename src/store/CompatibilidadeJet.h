#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>

#include "common/Erro.h"

// What the statements of the program expect of the Access engine, given to
// SQLite: the Format function, the "string" column type, and the engine's
// error numbers.
namespace CompatibilidadeJet {

// Rewrites what SQLite reads differently: "ADD COLUMN x string" would get
// numeric affinity there ('0123' stored as 123), so it becomes TEXT.
QString traduzSql(const QString &sql);

// The program's error for a failure of the engine: a select that names a
// missing column raises ErroTavo(Erros::ColunaInexistente).
ErroTavo erroDoBanco(const QSqlError &erro);

// Registers Format() on a freshly opened connection.
void preparaConexao(QSqlDatabase &banco);

// Format(valor, padrao) as the Access engine does for the patterns the
// program uses: dates ("dd/mm/yyyy", "mm/yyyy", "dd/mm/yyyy hh:mm:ss") and
// plain numbers ("00", "0000", "0000000000"). A date is stored as ISO text
// ("yyyy-mm-dd hh:mm:ss") or written day first ("dd/mm/yyyy hh:mm:ss").
QString formata(const QVariant &valor, const QString &padrao);

} // namespace CompatibilidadeJet
