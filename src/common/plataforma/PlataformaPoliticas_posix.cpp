#include "common/plataforma/PlataformaPoliticas.h"

namespace PlataformaPoliticas {

bool existem()
{
    return false;
}

// Linux reads no policies; the name is Windows', for the messages.
QString chave()
{
    return QStringLiteral("HKLM\\SOFTWARE\\Policies\\TAVO Upload");
}

QHash<QString, QString> le(const QStringList &)
{
    return {};
}

} // namespace PlataformaPoliticas
