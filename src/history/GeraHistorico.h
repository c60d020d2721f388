#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The history report of one month: the query on the local database and the
// text built from its rows. No window is involved; the history window shows
// what these return and reports what they raise.

// The report's select, for `mes` (1..12), `ano` and the type index (1 only
// "PERIO", 2 only "ANUAL", anything else both types).
QString ComandoHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo);

// Opens the local database, runs the select and returns the whole report
// text. A history table without the type column is upgraded first (the
// store's ConsultaHistorico, store/Historico.h) and the report made then.
// Any failure raises ErroTavo, the database closed again.
QString GeraHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo);

// The same, except for a history table without the type column: it is
// upgraded and nothing more is done, nothing returned (the history window's
// refresh; its next refresh shows the rows).
std::optional<QString> GeraHistoricoOuAtualiza(std::int16_t mes, std::int16_t ano, std::int16_t tipo);
