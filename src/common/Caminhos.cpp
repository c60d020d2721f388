#include "common/Caminhos.h"

#include "common/ConfiguracaoSitio.h"
#include "common/PlataformaMontagens.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#ifdef Q_OS_WIN
#include <QStorageInfo>
#endif

#include <algorithm>

namespace {

QString raizPrograma()
{
    return ConfiguracaoSitio::pastaPrograma();
}

// The folder configured for the drive, else drives/x in the program's folder.
QString pastaDaUnidade(QChar letra)
{
    const QChar minuscula = letra.toLower();
    if (minuscula == QLatin1Char('a'))
        return Caminhos::disquete().pasta;
    const QString configurada = ConfiguracaoSitio::pastaUnidade(minuscula);
    if (!configurada.isEmpty())
        return configurada;
    return raizPrograma() + QStringLiteral("/drives/") + minuscula;
}

// Follows `partes` from `base`, taking at each step an existing entry whose
// name matches without regard to case when there is no exact match.
QString resolveSemCaixa(const QString &base, const QStringList &partes)
{
    QString atual = base;
    for (const QString &parte : partes) {
        if (parte.isEmpty() || parte == QLatin1String("."))
            continue;
        QString proximo = atual + QLatin1Char('/') + parte;
        if (parte != QLatin1String("..") && !QFileInfo::exists(proximo)) {
            const QStringList entradas =
                QDir(atual).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QString &entrada : entradas) {
                if (entrada.compare(parte, Qt::CaseInsensitive) == 0) {
                    proximo = atual + QLatin1Char('/') + entrada;
                    break;
                }
            }
        }
        atual = proximo;
    }
    return atual;
}

} // namespace

namespace Caminhos {

QString pastaPrograma()
{
#ifdef Q_OS_WIN
    return QCoreApplication::applicationDirPath();
#else
    return raizPrograma();
#endif
}

Disquete disquete()
{
#ifdef Q_OS_WIN
    return {unidadeDisquete(), QStorageInfo(unidadeDisquete()).isReady()};
#else
    const QString escolhida = ConfiguracaoSitio::pastaUnidade(QLatin1Char('a'));
    if (!escolhida.isEmpty())
        return {escolhida, Montagens::montadoEm(escolhida)};
    const QString substituta = raizPrograma() + QStringLiteral("/drives/a");
    if (QFileInfo(substituta).isDir())
        return {substituta, true};
    const QString midia = Montagens::midiaRemovivel();
    if (!midia.isEmpty())
        return {midia, true};
    return {substituta, false};
#endif
}

QString local(const QString &caminho)
{
#ifdef Q_OS_WIN
    return caminho;
#else
    // Whatever follows the drive, a line break included: a path of a drive
    // is never taken as one of the current folder.
    static const QRegularExpression comUnidade(QStringLiteral("^([A-Za-z]):(.*)$"),
                                               QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = comUnidade.match(caminho);
    if (!m.hasMatch())
        return caminho;
    QString resto = m.captured(2);
    resto.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString base = pastaDaUnidade(m.captured(1).at(0));
    const QString resolvido = resolveSemCaixa(base, resto.split(QLatin1Char('/')));
    // A path ending in a separator names a folder; keep that visible.
    return resto.endsWith(QLatin1Char('/')) ? resolvido + QLatin1Char('/') : resolvido;
#endif
}

QString naPastaPrograma(const QString &sufixo)
{
#ifdef Q_OS_WIN
    return pastaPrograma() + sufixo;
#else
    QString resto = sufixo;
    resto.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return resolveSemCaixa(pastaPrograma(), resto.split(QLatin1Char('/')));
#endif
}

QString nomeArquivo(const QString &caminho)
{
    const qsizetype barra = std::max(caminho.lastIndexOf(QLatin1Char('\\')), caminho.lastIndexOf(QLatin1Char('/')));
    return caminho.mid(barra + 1);
}

} // namespace Caminhos
