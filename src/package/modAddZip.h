#pragma once

#include "package/ConferenciaPacote.h"
#include "package/MotorZip.h"

#include <QList>
#include <QString>

class Instalacao;
class Interlocutor;

#include <cstdint>

// The program's adapter to its ZIP component. A job hands each call the
// relay that receives the component's progress events, synchronously, while
// it works, and passes them on as its own signal (the window writes each as
// its status text into txtZip, the console shows its progress line). Paths
// are in the program's form or host paths.

// Set-up, once at start. Raises ErroTavo when the component cannot be used;
// the jobs then fail with the same error when they reach it.
void IniciaComponenteZip();

// The set-up as the window's load and the console's jobs run it: a
// component that cannot be used (or, in the window, no status box for its
// progress: `comRelator` false) is told once, "Erro inicializando
// bibliotecas ZIP", and the jobs then fail where they reach it. False then.
bool InicializaComponenteZip(Interlocutor &interlocutor, bool comRelator = true);

// Creates the archive `arquivoZip` holding the file `arquivos`, deflated at
// level 3; it takes its name only once it has passed `confere` (called with
// its temporary name). Raises ErroTavo on failure; an existing archive is
// then untouched.
void ZipaArquivo(const Instalacao &instalacao, const QString &arquivoZip, const QString &arquivos,
                 const MotorZip::Relator &relator = {}, const MotorZip::Conferencia &confere = {});

// Extracts the entries of `arquivoZip` matching `incluir` into the folder
// `destino`, replacing existing files; `restauraEstrutura` 0 puts every entry
// in that folder under its bare name. Raises ErroTavo on failure.
void DeszipaArquivo(const Instalacao &instalacao, const QString &arquivoZip, const QString &incluir,
                    const QString &destino, std::int16_t restauraEstrutura, const MotorZip::Relator &relator = {});

// Reads `arquivoZip` once: every entry to its end, checking each CRC, and
// the file's digest (see ConferenciaPacote). A damaged, empty or non-ZIP
// file, or a component that cannot be used, is in the result's `falha`.
// `nome` is the item the events name (the file's own name when empty).
ConferenciaPacote ConfereArquivoZip(const Instalacao &instalacao, const QString &arquivoZip,
                                    const MotorZip::Relator &relator = {}, const QString &nome = {});
