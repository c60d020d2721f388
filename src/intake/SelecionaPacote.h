#pragma once

#include <QString>

class frmPrincipal;

// "...": the user picks a package (a ZIP file) or the first piece of a
// package spread over several disks; the pieces are gathered and joined, the
// package is checked, unpacked in the working folder, the school identified
// from its database (which is then removed), and the package made ready to
// send.
void cmdProcurar_Click(frmPrincipal &janela);

// "Limpar": throws the chosen package away.
void CancelaArquivo_Click(frmPrincipal &janela);

// Joins the pieces in `pasta` (program form, ending in "\") listed by the
// window's File1 into one package and deletes the pieces. False when any step
// fails.
bool AgrupaArquivos(frmPrincipal &janela, const QString &pasta);
