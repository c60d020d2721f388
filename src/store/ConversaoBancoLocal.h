#pragma once

#include "common/Erro.h"
#include "store/EscritoriosRegionais.h"

#include <QList>
#include <QString>

#include <optional>

// Offices that used the former client keep their local database as a Jet
// (Access) file. Read through a copy, it takes no change; so it is turned,
// once, into the program's own SQLite local database, with every table and
// every row it holds.
//
// Each table is checked against what the file itself declares of it (its
// row count) and against the pages of it that could not be read: a damaged
// file is not converted with rows missing, since once converted it is never
// read again and the office's history would be gone without a word. Such a
// file stays as it is and is tried again at the next start, until someone
// accepts the loss on purpose (the console's "converter --aceitar-perdas").
//
// The new database is built under a temporary name of its own; the original
// is copied to a backup name that never replaces an earlier backup nor
// follows a link ("UploadCliente.mdb.access", then ".access.1", ...); only
// then does the new file take the original's name, in one step. A crash at
// any point leaves either the untouched original or the finished
// conversion. The caller holds the program folder's lock.

// What the conversion read of one table of the file.
struct LeituraTabela
{
    QString nome;
    // The file's catalog lists the table.
    bool presente = true;
    // The rows the file declares; -1 when the table could not be read at all.
    qint64 declaradas = -1;
    qint64 lidas = 0;
    // Pages of the table that could not be read (a file cut short, say).
    quint32 paginasIlegiveis = 0;

    bool lida() const { return declaradas >= 0; }
    // Rows or pages of the table were lost: the table is not whole.
    bool incompleta() const { return !lida() || lidas < declaradas || paginasIlegiveis > 0; }
    // Why the table is not whole, in the user's words; empty when it is.
    QString perda() const;
};

struct ResultadoConversao
{
    enum class Fim {
        NadaAConverter, // no file, or a file that is not a Jet file
        Convertido,
        Recusado, // the original stays as it was
    };
    Fim fim = Fim::NadaAConverter;
    // The original's backup, when converted.
    QString copia;
    // Every table of the file and every table of the program's, in that
    // order, as far as the file could be read.
    QList<LeituraTabela> tabelas;
    // Converted although tables were not whole (the loss was accepted).
    bool comPerdas = false;
    // Why the conversion was refused.
    std::optional<ErroTavo> erro;
};

enum class Perdas { Recusar, Aceitar };

// Converts the local database at the host path `caminho` when it is a Jet
// file. With Perdas::Aceitar, a file that cannot be read whole is converted
// with what could be read, and a table of the program's that could not be
// read at all starts empty (the regional offices from the installation's
// list, `escritorios`). Raises nothing: a refusal is told in the result, and
// logged.
ResultadoConversao converteBancoLocal(const QString &caminho, const QList<EscritorioRegional> &escritorios,
                                      Perdas perdas = Perdas::Recusar);

// Removes what earlier conversions left behind when they were stopped
// half-way (a crash, a power failure): the databases under construction and
// the backups being copied. Run with the lock held, before anything else
// touches the local database.
void removeRestosDeConversao(const QString &caminho);
