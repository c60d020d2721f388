#include "common/plataforma/PlataformaMontagens.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

std::optional<QStringList> &simulacao()
{
    static std::optional<QStringList> pontos;
    return pontos;
}

// True when `ponto` is a folder directly inside `pasta` (which ends in '/').
bool diretamenteEm(const QString &ponto, const QString &pasta)
{
    return ponto.size() > pasta.size() && ponto.startsWith(pasta)
           && !ponto.mid(pasta.size()).contains(QLatin1Char('/'));
}

} // namespace

namespace Montagens {

QStringList pontos()
{
    if (simulados())
        return *simulados();
    QStringList lista;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        lista.append(volume.rootPath());
    return lista;
}

bool montadoEm(const QString &pasta)
{
    const QString canonica = QFileInfo(pasta).canonicalFilePath();
    if (canonica.isEmpty())
        return false;
    const QStorageInfo volume(canonica);
    return volume.isValid() && volume.isReady() && volume.rootPath() == canonica;
}

QString midiaRemovivel(const QStringList &pontos, const QString &usuario)
{
    QStringList pastas;
    if (!usuario.isEmpty() && !usuario.contains(QLatin1Char('/')))
        pastas << QStringLiteral("/media/") + usuario + QLatin1Char('/')
               << QStringLiteral("/run/media/") + usuario + QLatin1Char('/');
    pastas << QStringLiteral("/media/");
    for (const QString &ponto : pontos) {
        const QString limpo = QDir::cleanPath(ponto);
        for (const QString &pasta : pastas) {
            if (diretamenteEm(limpo, pasta))
                return limpo;
        }
    }
    return {};
}

void simula(std::optional<QStringList> novos)
{
    simulacao() = std::move(novos);
}

const std::optional<QStringList> &simulados()
{
    return simulacao();
}

} // namespace Montagens
