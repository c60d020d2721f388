#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Group Policy: the values IT sets for every PC of a domain with the Group
// Policy editor (the templates in packaging/windows/politicas), under
// HKLM\SOFTWARE\Policies\TAVO Upload, one subkey per section of the
// configuration file ("servidor", "unidades"). Linux has none.
namespace PlataformaPoliticas {

// Whether the system has policies (Windows).
bool existem();

// The registry key of the policies, as the registry editor names it.
QString chave();

// The values of `nomes` ("servidor/ip", "unidades/a") that a policy sets:
// text (REG_SZ, REG_EXPAND_SZ unexpanded) as it is, a number (REG_DWORD) in
// decimal. A value of another type, or one that cannot be read, is logged
// and counts as not set; so does an empty one.
QHash<QString, QString> le(const QStringList &nomes);

} // namespace PlataformaPoliticas
