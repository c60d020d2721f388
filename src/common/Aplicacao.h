#pragma once

#include <QString>

// Texts that belong to the whole application.
namespace Aplicacao {
// Title of every message box that is given no title of its own.
inline QString titulo()
{
    return QStringLiteral("Tavo_Upload_Cliente");
}
// Caption of the main window.
inline QString legendaJanela()
{
    return QStringLiteral("TAVO - Upload v.1.2");
}
} // namespace Aplicacao
