#pragma once

#include <QString>

class frmConfiguracao;

// Loads the stored server settings. Mode "C" fills the boxes of the settings
// window `janela`; any other mode puts them into use (IpServidor, QtdePortas,
// PortaInicial) or, when none are stored, greets the user. Raises ErroTavo
// when the local database cannot be read.
void CarregaConfiguracao(const QString &modo, frmConfiguracao *janela = nullptr);
