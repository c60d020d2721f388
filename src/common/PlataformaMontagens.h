#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The host's mounted file systems, as far as drive a: needs them: which
// folders are mount points, and where the desktop puts a removable medium.
// The only place that reads the mount table.
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

// The same, on this host's mount table and for the user the program runs as.
QString midiaRemovivel();

// Name of the user the program runs as.
QString usuario();

// Test seam: while set, pontos() answers with this list instead of the
// host's mount table, so a test never finds (nor writes onto) a medium the
// machine happens to have; montadoEm() still asks the host. std::nullopt
// returns to the host's table.
void simula(std::optional<QStringList> pontos);

} // namespace Montagens
