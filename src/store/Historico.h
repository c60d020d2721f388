#pragma once

// Table Historico of the local database, where complete sends are recorded.

// Upgrades a history table from before the transmission type was recorded:
// opens the local database of the program's folder, adds the column
// tipo_transmissao and marks every existing row "ANUAL", both or neither.
// Raises ErroTavo when it cannot (a table that has the column already, a
// database that can only be read); the database is closed on every way out.
void AtualizaTabelaHistorico();
