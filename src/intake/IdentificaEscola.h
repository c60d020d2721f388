#pragma once

#include <QString>

class frmPrincipal;

// Identifies the school of the database at `caminho` (program form or host
// path) and shows it in txtCodigoSRE, txtSRE, txtEscola and txtCodigoEscola;
// all four are emptied when the database names no school with an existing
// office. Raises ErroTavo on failure, leaving the four boxes as they were.
void IdentificaEscola(frmPrincipal &janela, const QString &caminho);
