#pragma once

#include "package/MotorZip.h"

#include <QList>
#include <QString>

#include <cstdint>

class QLineEdit;
class QWidget;
class frmPrincipal;

// The program's adapter to its ZIP component. While a job runs the component
// writes status texts into the status box given at set-up (txtZip of the
// main window), synchronously; txtZip_Change turns each one into the progress
// line of lblProgresso. Paths are in the program's form or host paths.

// Set-up, once, from the main window's load. A failure shows
// "Erro inicializando bibliotecas ZIP"; later jobs then fail in their callers.
void InicializaZip(QWidget *janela, QLineEdit *caixaStatus);

// Creates the archive `arquivoZip` holding the file `arquivos`, deflated at
// level 3. Raises ErroTavo on failure; an existing archive is then untouched.
void ZipaArquivo(const QString &arquivoZip, const QString &arquivos);

// Extracts the entries of `arquivoZip` matching `incluir` into the folder
// `destino`, replacing existing files; `restauraEstrutura` 0 puts every entry
// in that folder under its bare name. Raises ErroTavo on failure.
void DeszipaArquivo(const QString &arquivoZip, const QString &incluir, const QString &destino,
                    std::int16_t restauraEstrutura);

// Reads every entry of `arquivoZip` to its end, checking each CRC, and
// returns the entries; raises ErroTavo for a damaged, empty or non-ZIP file.
QList<MotorZip::Entrada> TestaArquivoZip(const QString &arquivoZip);

// The progress relay: the change handler of txtZip.
void txtZip_Change(frmPrincipal &janela);
