#pragma once

#include <QString>

#include <cstdint>

// The history report of one month: the query on the local database and the
// text built from its rows. No window is involved; the history window shows
// what these return and reports what they raise.

// The report's select, for `mes` (1..12), `ano` and the type index (1 only
// "PERIO", 2 only "ANUAL", anything else both types).
QString ComandoHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo);

// Opens the local database, runs the select and returns the whole report
// text. Any failure raises ErroTavo, the database closed again; a history
// table without the type column raises Erros::ColunaInexistente, for which
// the caller runs the store's AtualizaTabelaHistorico (store/Historico.h).
QString GeraHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo);
