#pragma once

#include <QByteArray>
#include <QSqlDatabase>

class SessaoBanco;

// Table recibo_envio of the local database: for each complete send, what
// exactly went out, the package's size in bytes and the SHA-256 of its bytes
// (64 lowercase hex digits). It is kept apart from Historico, whose layout
// and insert the former client fixed.
//
// A receipt belongs to the Historico row with the same nome_arquivo and the
// same data_envio: both are copied from that row, as the row stores them,
// when the two are written together.
namespace ReciboEnvio {

// Creates the table and its index on `banco`, or on the open session
// `sessao`, when it has none; true when it was created. Raises ErroTavo
// (on a session of a database that can only be read, too).
bool garanteTabela(QSqlDatabase &banco);
bool garanteTabela(SessaoBanco &sessao);

// Writes the receipt of the Historico row this session's connection has just
// inserted. Raises ErroTavo when the table takes no row.
void registraDoUltimo(SessaoBanco &sessao, qint64 tamanho, const QByteArray &sha256);

} // namespace ReciboEnvio
