#pragma once

#include "package/EventoZip.h"

#include <QList>
#include <QString>

#include <functional>

// The ZIP engine behind the adapter: standard ZIP archives written and read
// with libzip. Paths are host paths. Each job reports its progress as events
// (see EventoZip.h) through a relay called synchronously, on the calling
// thread, while the job runs. Failures raise ErroTavo.
namespace MotorZip {

using Relator = std::function<void(const EventoZip &evento)>;

// A file that is not a ZIP archive, or a damaged one ("invalid file format").
inline constexpr long ArquivoInvalido = 321;

struct Entrada
{
    QString nome;
    qint64 tamanho = 0;
};

// Whether the library can write / read deflated entries.
bool escritaDisponivel();
bool leituraDisponivel();

// What a new archive must pass before it takes its name: called with the
// finished archive under its temporary name; an ErroTavo it raises fails the
// job.
using Conferencia = std::function<void(const QString &arquivoPronto)>;

// Creates the archive `arquivoZip` holding the file `origem` as the entry
// `nomeEntrada`, deflated at `nivel` (1 fastest … 9 smallest). An existing
// archive is replaced only when the new one is complete and has passed
// `confere`: a failure leaves it untouched and the new one removed. Reports
// "Zipando" with the share of the source's bytes handed to the compressor,
// then whatever `confere` reports, then "Zipado" at 100.
void compacta(const QString &arquivoZip, const QString &origem, const QString &nomeEntrada, int nivel,
              const Relator &relator, const Conferencia &confere = {});

// Extracts the entries whose bare name matches `incluir` ("*.*" for all)
// into the folder `destino` (the working folder: the files are not flushed,
// see GravacaoAtomica). Without `restauraEstrutura` every entry lands in
// that folder under its bare name; with it, under its relative path. An
// existing file is replaced, never asked about. Each entry is written under a
// temporary name and renamed only after its CRC checked out. Entries named
// "", ".", "..", with an absolute path, or with a path that climbs out of the
// folder are refused before anything is written. Reports "Deszipando" per
// entry, then "Deszipado" at 100.
void extrai(const QString &arquivoZip, const QString &incluir, const QString &destino, bool restauraEstrutura,
            const Relator &relator);

// Reads every entry to its end, so that each one's CRC is checked; refuses
// an archive without entries. Reports "Testando", then "Testado" at 100.
// The same read as confere() (ConferenciaPacote.h), its failure raised.
QList<Entrada> testa(const QString &arquivoZip, const Relator &relator);

// Whether an entry name may be written under `destino` (see extrai).
bool nomeEntradaSeguro(const QString &nome, bool restauraEstrutura);

} // namespace MotorZip
