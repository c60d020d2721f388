#pragma once

#include <QString>

// The folders every user of the PC works in: the program's folder (the local
// database, the history, the log) and the working folder. On Windows each
// office user signs in with their own account, so these folders let the
// local Users group modify them, and what is made inside inherits that. The
// client grants it on the folders it makes; a folder someone else made is
// only checked, and what it lacks is said, never changed. On Linux the
// folder's group shares it instead (PlataformaArquivos::pastaDeGrupo), and
// nothing here applies.
namespace PastaUsuarios {

// Makes `pasta` and the folders above it that are missing; the folder made
// here is given to the PC's users (when that fails, falta() says so at the
// next start). False when it is not a folder after.
bool cria(const QString &pasta);

// What stops every user of the PC from modifying `pasta`, with the line
// that mends it; empty when nothing does, or it cannot be known.
QString falta(const QString &pasta);

} // namespace PastaUsuarios
