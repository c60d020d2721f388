#pragma once

#include <QString>

// The file-system calls that Qt does not offer: putting a new file in place
// of an old one so that a crash leaves one or the other whole. Failures
// raise ErroTavo with the system's text.
namespace PlataformaArquivos {

// Writes the file's content through to its medium.
void descarrega(const QString &caminho);

// Puts the file `novo` in place of `destino` in one step, replacing it
// (both in the same folder), and writes the folder through to its medium:
// the name `destino` is never absent, and after a crash it names either
// the old file or the new one.
void substitui(const QString &novo, const QString &destino);

} // namespace PlataformaArquivos
