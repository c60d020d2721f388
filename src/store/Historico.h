#pragma once

#include <QString>

class SessaoBanco;

// Table Historico of the local database, where complete sends are recorded.
// A table from before the transmission type was recorded lacks the column
// tipo_transmissao; the first query that names it upgrades the table.

// What a query of Historico came to.
enum class LeituraHistorico {
    Consultada,      // the select ran: the session's Consulta stands on its first row
    TabelaAtualizada // an old table was upgraded instead; nothing is to be read
};

// What a query does once it has upgraded an old table: end there, or run
// the select again.
enum class AposAtualizar { Encerra, Repete };

// Runs `comando`, a select on Historico, on the open session `sessao`. When
// the engine says a column is missing (Erros::ColunaInexistente), the table
// is taken for an old one and upgraded in the same session; then, with
// AposAtualizar::Repete, the select runs again and its outcome is the answer.
// Raises ErroTavo on any other failure of the select, and when the upgrade
// fails (the table then stays as it was).
LeituraHistorico ConsultaHistorico(SessaoBanco &sessao, const QString &comando, AposAtualizar apos);

// Upgrades an old table on the open session `sessao`: adds the column
// tipo_transmissao and marks every existing row "ANUAL", both or neither.
// Raises ErroTavo when it cannot (a table that has the column already, a
// database that can only be read).
void AtualizaTabelaHistorico(SessaoBanco &sessao);
