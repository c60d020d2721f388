#pragma once

#include "common/Erro.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "package/MotorZip.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A package read back whole, in one read of its file: every entry inflated
// to its end with its CRC checked, and the SHA-256 of the file's bytes taken
// from the same blocks as they were read. What is known of the file comes
// with it, so that whoever announces the package or sends it later works
// from this one read.
struct ConferenciaPacote
{
    // Why the package does not read back whole (a damaged, empty or non-ZIP
    // file, one that cannot be read, or one that changed while it was read);
    // empty when it does.
    std::optional<ErroTavo> falha;
    bool integro() const { return !falha; }

    // The entries, each with the size it inflated to.
    QList<MotorZip::Entrada> entradas;
    // The file's size and SHA-256 (32 bytes); meaningful only when integro().
    qint64 tamanho = 0;
    QByteArray sha256;
    // The file that was read, as it was when the read began.
    PlataformaArquivos::Identidade identidade;

    // Whether the file `caminhoLocal` names now is the one this check read,
    // unchanged since.
    bool vale(const QString &caminhoLocal) const;
};

namespace MotorZip {

// Reads the archive `arquivoZip` (host path) once, in blocks of 1 MiB (the
// memory it takes stays at two of them whatever the file's size). Reports
// "Testando" with `nome` (the file's own name when empty) and the share of
// the entries' bytes inflated, then "Testado" at 100. Only the relay's own
// exception leaves it; every failure of the package is in `falha`.
ConferenciaPacote confere(const QString &arquivoZip, const Relator &relator, const QString &nome = {});

} // namespace MotorZip
