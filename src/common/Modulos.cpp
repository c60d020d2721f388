#include "common/Modulos.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMutex>

namespace Modulos {

namespace {

constexpr char kVariavelPasta[] = "TAVO_MODULOS";

// Every library asked for, loaded or not, by its name and version (-1: a
// path as it is); the objects are never destroyed, so a library is never
// unloaded under a function still in use.
QLibrary &biblioteca(const QString &nome, int versao)
{
    static QMutex trava;
    static QHash<QPair<QString, int>, QLibrary *> carregadas;
    const QMutexLocker guarda(&trava);
    QLibrary *&lib = carregadas[qMakePair(nome, versao)];
    if (!lib) {
        lib = versao < 0 ? new QLibrary(nome) : new QLibrary(nome, versao);
        lib->load();
    }
    return *lib;
}

Funcao resolve(const QString &nome, int versao, const char *simbolo)
{
    QLibrary &lib = biblioteca(nome, versao);
    if (!lib.isLoaded())
        return {nullptr, lib.errorString()};
    const QFunctionPointer endereco = lib.resolve(simbolo);
    if (!endereco)
        return {nullptr, QStringLiteral("%1 has no function %2").arg(lib.fileName(), QLatin1String(simbolo))};
    return {endereco, QString()};
}

} // namespace

Funcao doPrograma(const char *nome, const char *simbolo)
{
    const QString arquivo = QLatin1String(nome) + QLatin1String(TAVO_SUFIXO_MODULO);
    QStringList pastas;
    const QString indicada = qEnvironmentVariable(kVariavelPasta);
    if (!indicada.isEmpty()) {
        pastas.append(indicada);
    } else {
        if (QCoreApplication::instance())
            pastas.append(QCoreApplication::applicationDirPath());
        if (const QString instalados = QStringLiteral(TAVO_PASTA_MODULOS); !instalados.isEmpty())
            pastas.append(instalados);
    }
    for (const QString &pasta : std::as_const(pastas)) {
        const QFileInfo info(QDir(pasta).filePath(arquivo));
        if (info.isFile())
            return resolve(info.absoluteFilePath(), -1, simbolo);
    }
    return {nullptr, QStringLiteral("%1 not found in %2").arg(arquivo, pastas.join(QStringLiteral(", ")))};
}

Funcao doSistema(const char *nome, int versao, const char *simbolo)
{
    return resolve(QLatin1String(nome), versao, simbolo);
}

} // namespace Modulos
