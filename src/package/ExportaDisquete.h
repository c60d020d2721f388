#pragma once

#include <QString>

#include <cstdint>

class frmPrincipal;

// "Disquete": copies the chosen package (txtCaminhoArquivo) to drive a:,
// cut into numbered pieces, one per disk, when it does not fit on one.
void cmdDisquete_Click(frmPrincipal &janela);

// Drive a: holds a disk: a medium is mounted where drive a: lies (see
// Caminhos::disquete), or the stand-in folder $TAVO_ROOT/drives/a exists.
// Whether the medium accepts writes is found out by the copy.
bool DisquetePronto();

// Cuts the package at `caminho` into pieces in the emptied working folder,
// with File1 pointed at it. Returns the number of pieces, or 0 when the
// package fits on one disk (nothing is written). A package that itself lies
// in the working folder is kept there.
std::int16_t DivideArquivo(frmPrincipal &janela, const QString &caminho);
