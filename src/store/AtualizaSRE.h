#pragma once

#include "store/EscritoriosRegionais.h"

class Instalacao;

// Rewrites the descriptions of the regional offices of the shipped list in
// the local database: "SSRE DE " and the town. Offices not in the list,
// codes without a row and the list's placeholder towns are left alone.
// Raises ErroTavo on a failure; the statements already run stay in effect.
void AtualizaSRE(const Instalacao &instalacao);
void AtualizaSRE(const Instalacao &instalacao, const QList<EscritorioRegional> &escritorios);
