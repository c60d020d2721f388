#pragma once

#include <QDateTime>

// The clock the program reads for package names and history records. Tests
// fix it; production reads the machine's local time.
namespace Relogio {
QDateTime agora();
// Fixes the clock at the given moment; an invalid moment returns to real time.
void fixa(const QDateTime &momento);
} // namespace Relogio
