#pragma once

#include "package/EventoZip.h"

#include <QString>

#include <cstdint>

// The status texts of a ZIP job and the progress line made from them.
//
// A status text is a list of fields separated by "|", numbered from 1:
// field 2 is the action code, field 4 the item being processed and field 7
// the percentage of the step done. A field the text does not reach is empty.
// Only the window builds and reads these texts: its relay writes each event
// of a job as one into its status box (txtZip), and the box's change handler
// reads it back for the progress label. Everything else works with the
// events themselves.

// Text of field `numero` of `texto`, fields separated by `separador`.
QString PegaCampo(const QString &texto, const QString &separador, int numero);
// Field 2 read as a 16-bit integer.
std::int16_t CodigoAcao(const QString &status);
// Field 4.
QString ArquivoAcao(const QString &status);
// Field 7 read as a 16-bit integer.
std::int16_t PercentualAcao(const QString &status);
// Name shown for an action code ("Zipando", "Deszipando", ...).
QString DescricaoAcao(std::int16_t codigo);

// Reads a leading decimal number as the status fields are read: blanks
// skipped, stops at the first character that cannot continue the number, the
// point as decimal separator, 0 when there is none; rounded to 16 bits with
// halves to the even neighbour.
std::int16_t LeNumeroInicial(const QString &texto);

// The progress line of a status text: name of the action, a blank, the item,
// " -> ", the percentage and "%".
QString LinhaProgresso(const QString &status);
// The same line made from the event itself, with no status text between
// (the console's).
QString LinhaEvento(const EventoZip &evento);

// The status text of an event: its action code, item and percentage.
QString MontaStatus(const EventoZip &evento);
