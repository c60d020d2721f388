#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The host's mounted file systems and drives, as far as the drive letters
// need them: which folders are mount points, the host's own drives, and where
// the desktop puts a removable medium. The only place that reads the mount
// table or asks Windows about its drives.
namespace Montagens {

// Mount points of the mounted file systems, in mount order.
QStringList pontos();

// True when a file system is mounted at the folder `pasta` itself (not
// merely on a folder above it).
bool montadoEm(const QString &pasta);

// The removable medium among the mount points `pontos`: the first, in their
// order, that lies directly under /media/<usuario>/, /run/media/<usuario>/
// or /media/. Empty when there is none.
QString midiaRemovivel(const QStringList &pontos, const QString &usuario);

// The removable medium drive a: stands for when nothing configures it, and
// whether a medium is in it: on Linux the rule above, on this host's mount
// table and for the user the program runs as; on Windows the PC's own A:
// when it has one, else the first removable drive (an USB stick, a memory
// card) that holds a medium, looked for at each call. Nothing when there is none.
struct Unidade
{
    QString pasta;
    bool presente = false;
};
std::optional<Unidade> unidadeRemovivel();

// The root of the host's own drive `letra` ("C:/"); empty on a system
// without drive letters.
QString raizDaUnidade(QChar letra);

// Name of the user the program runs as.
QString usuario();

// Test seam: while set, pontos() answers with this list instead of the
// host's mount table, and unidadeRemovivel() looks only among them, so a
// test never finds (nor writes onto) a medium the machine happens to have;
// montadoEm() still asks the host. std::nullopt returns to the host's table.
void simula(std::optional<QStringList> pontos);
const std::optional<QStringList> &simulados();

} // namespace Montagens
