#pragma once

class frmPrincipal;

// "Gerar": packs the school database into a dated package in the package
// folder, puts a copy in the working folder selected in File1, and makes it
// the chosen package. Every step is attempted; any failure is reported once
// at the end and leaves the send buttons disabled.
void cmdGerar_Click(frmPrincipal &janela);
