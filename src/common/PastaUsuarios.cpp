#include "common/PastaUsuarios.h"

#include "common/plataforma/PlataformaArquivos.h"

#include <QDir>
#include <QFileInfo>

namespace PastaUsuarios {

bool cria(const QString &pasta)
{
    // Nothing is made through another user's link.
    if (PlataformaArquivos::confere(pasta) == PlataformaArquivos::AtalhoAlheio)
        return false;
    if (QFileInfo(pasta).isDir())
        return true;
    if (!QDir().mkpath(pasta))
        return false;
    PlataformaArquivos::concedeAosUsuarios(pasta);
    return true;
}

QString falta(const QString &pasta)
{
    if (PlataformaArquivos::usuariosModificam(pasta).value_or(true))
        return {};
    return QStringLiteral("%1 does not let every user of this PC modify it: the local Users group needs modify "
                          "rights, inherited by what is made inside. An administrator grants them with: %2")
        .arg(QDir::toNativeSeparators(pasta), PlataformaArquivos::comandoQueConcede(pasta));
}

} // namespace PastaUsuarios
