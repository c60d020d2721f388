#pragma once

// Rewrites the descriptions of the regional offices of the shipped list in
// the local database: "SSRE DE " and the town. Offices not in the list and
// codes without a row are left alone. Raises ErroTavo on a failure; the
// statements already run stay in effect.
void AtualizaSRE();
