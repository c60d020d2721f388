#pragma once

#include "store/Configuracao.h"

#include <QString>

#include <optional>

class frmConfiguracao;

// Loads the stored server settings. Mode "C" fills the boxes of the settings
// window `janela` and returns nothing; any other mode returns them, for the
// caller to put into use, or, when none are stored, greets the user and
// returns nothing (the settings in use stay). Raises ErroTavo when the local
// database cannot be read.
std::optional<ConfiguracaoCliente> CarregaConfiguracao(const Instalacao &instalacao, const QString &modo,
                                                       frmConfiguracao *janela = nullptr);
