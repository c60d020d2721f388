#pragma once

#include <QString>

// Printing of the history report.

// Prints `texto` on the default printer as one document, in the font family
// `familia` at the printer's own size: each line break starts a new line
// from the top of the page, a full page goes on on a new one, and nothing
// is added, wrapped or cut. Every step is attempted even after one failed;
// returns false when any did (no printer, a printer that refuses the job).
bool ImprimeTexto(const QString &texto, const QString &familia);

// "Imprimir": asks for confirmation and prints `texto` in "Courier New";
// when anything failed, says so once at the end.
void ImprimeHistorico(const QString &texto);
