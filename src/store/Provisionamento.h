#pragma once

#include <QString>
#include <QStringList>

// The local database comes with the installation. When the program's folder
// has none, the shipped template (schema and regional offices) is put there
// once; an existing file is never touched. Raises ErroTavo on failure.
void garanteBancoLocal();

// Writes the shipped template database to `caminho` (a new file).
void criaBancoModelo(const QString &caminho);

// The statements of the template's schema (tables, then the triggers that
// store day-first dates of Historico as ISO text), in order.
QStringList comandosDoModelo();
