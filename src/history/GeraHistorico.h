#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

class Instalacao;

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
QString GeraHistorico(const Instalacao &instalacao, std::int16_t mes, std::int16_t ano, std::int16_t tipo);

// The same, except for a history table without the type column: it is
// upgraded and nothing more is done, nothing returned (the history window's
// refresh; its next refresh shows the rows).
std::optional<QString> GeraHistoricoOuAtualiza(const Instalacao &instalacao, std::int16_t mes, std::int16_t ano,
                                               std::int16_t tipo);

// One send of the history as fields, with its receipt when it has one.
struct ReciboDoEnvio
{
    qint64 tamanho = 0; // bytes sent
    QString sha256;     // 64 lowercase hex digits
};
struct EnvioRegistrado
{
    QString dataEnvio;        // day first, as the report writes it ("dd/mm/yyyy hh:mm:ss")
    QDateTime momento;        // the same moment; invalid when the stored text is no date
    QString codigoEscritorio; // ACE_ESTRUT_ORGN.codigo
    QString escritorio;       // its descricao, as stored
    QString codigoEscola;
    QString nomeArquivo;
    QString tipo; // "PERIO" or "ANUAL"
    std::optional<ReciboDoEnvio> recibo;
};

// The rows of the report of `mes`/`ano` and type index `tipo` (the report's
// select: the same rows in the same order), each with its receipt: the row
// of recibo_envio with the same nome_arquivo and data_envio, the latest
// written when there are several. `comRecibos` false reads none (a database
// without the table).
QString ComandoEnviosComRecibo(std::int16_t mes, std::int16_t ano, std::int16_t tipo, bool comRecibos);

// Runs the above on the local database, after the upgrade of an old table
// as GeraHistorico does; rows of a database without receipts come without
// them. Raises ErroTavo on any failure, the database closed again.
QList<EnvioRegistrado> EnviosDoMes(const Instalacao &instalacao, std::int16_t mes, std::int16_t ano, std::int16_t tipo);
