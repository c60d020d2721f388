#pragma once

#include "package/MotorZip.h"

#include <QList>
#include <QString>

#include <cstdint>

// The program's adapter to its ZIP component. A job hands each call the
// relay that receives the component's status texts, synchronously, while it
// works (the window turns them into its progress line, the console into its
// own). Paths are in the program's form or host paths.

// Set-up, once at start. Raises ErroTavo when the component cannot be used;
// the jobs then fail with the same error when they reach it.
void IniciaComponenteZip();

// Creates the archive `arquivoZip` holding the file `arquivos`, deflated at
// level 3. Raises ErroTavo on failure; an existing archive is then untouched.
void ZipaArquivo(const QString &arquivoZip, const QString &arquivos, const MotorZip::Relator &relator = {});

// Extracts the entries of `arquivoZip` matching `incluir` into the folder
// `destino`, replacing existing files; `restauraEstrutura` 0 puts every entry
// in that folder under its bare name. Raises ErroTavo on failure.
void DeszipaArquivo(const QString &arquivoZip, const QString &incluir, const QString &destino,
                    std::int16_t restauraEstrutura, const MotorZip::Relator &relator = {});

// Reads every entry of `arquivoZip` to its end, checking each CRC, and
// returns the entries; raises ErroTavo for a damaged, empty or non-ZIP file.
QList<MotorZip::Entrada> TestaArquivoZip(const QString &arquivoZip, const MotorZip::Relator &relator = {});
