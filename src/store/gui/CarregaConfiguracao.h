#pragma once

#include "store/Configuracao.h"

#include <QString>
#include <QStringList>

#include <optional>

// The stored settings as the settings window shows them: the address's
// parts, the k-th for box k (partesDoEndereco: at most four; a box past the
// last part keeps its text), and the two port texts as stored. With nothing
// stored (guardada false) the window empties all six boxes.
struct ConfiguracaoNaJanela
{
    bool guardada = false;
    QStringList partes;
    QString qtdePortas;
    QString portaInicial;
};

// What a load gives: the settings to put into use (mode "P") or the boxes'
// texts (mode "C"); the other one is empty.
struct ConfiguracaoCarregada
{
    std::optional<ConfiguracaoCliente> emUso;
    std::optional<ConfiguracaoNaJanela> naJanela;
};

// Loads the stored server settings. Mode "C" gives the texts of the settings
// window's boxes; any other mode gives the settings, for the caller to put
// into use, or, when none are stored, greets the user and gives nothing (the
// settings in use stay). Raises ErroTavo when the local database cannot be
// read.
ConfiguracaoCarregada CarregaConfiguracao(const Instalacao &instalacao, const QString &modo);
