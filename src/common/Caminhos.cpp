#include "common/Caminhos.h"

#include "common/Instalacao.h"
#include "common/plataforma/PlataformaMontagens.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

// Follows `partes` from `base`, taking at each step an existing entry whose
// name matches without regard to case when there is no exact match.
QString resolveSemCaixa(const QString &base, const QStringList &partes)
{
    QString atual = base;
    for (const QString &parte : partes) {
        if (parte.isEmpty() || parte == QLatin1String("."))
            continue;
        // A drive's root ("C:/") ends in the separator already.
        QString proximo =
            atual.endsWith(QLatin1Char('/')) ? QString(atual + parte) : QString(atual + QLatin1Char('/') + parte);
        if (parte != QLatin1String("..") && !QFileInfo::exists(proximo)) {
            const QStringList entradas =
                QDir(atual).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QString &entrada : entradas) {
                if (entrada.compare(parte, Qt::CaseInsensitive) == 0) {
                    proximo = proximo.left(proximo.size() - parte.size()) + entrada;
                    break;
                }
            }
        }
        atual = proximo;
    }
    return atual;
}

} // namespace

// The folder configured for the drive, else the host's own drive (Windows),
// else drives/x in the program's folder.
QString Instalacao::pastaDaUnidade(QChar letra) const
{
    const QChar minuscula = letra.toLower();
    if (minuscula == QLatin1Char('a'))
        return disquete().pasta;
    const QString configurada = pastaUnidade(minuscula);
    if (!configurada.isEmpty())
        return configurada;
    const QString propria = Montagens::raizDaUnidade(minuscula);
    if (!propria.isEmpty())
        return propria;
    return m_pastaPrograma + QStringLiteral("/drives/") + minuscula;
}

Disquete Instalacao::disquete() const
{
    const QString escolhida = pastaUnidade(QLatin1Char('a'));
    if (!escolhida.isEmpty())
        return {escolhida, Montagens::montadoEm(escolhida)};
    const QString substituta = m_pastaPrograma + QStringLiteral("/drives/a");
    if (QFileInfo(substituta).isDir())
        return {substituta, true};
    if (const std::optional<Montagens::Unidade> midia = Montagens::unidadeRemovivel())
        return {midia->pasta, midia->presente};
    return {substituta, false};
}

QString Instalacao::local(const QString &caminho) const
{
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
    // On Windows a host path has a drive too: one already inside the folder
    // that stands for its drive (a test's c:) was mapped before, and stays.
    const QString comBarras = QString(caminho).replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString dentro = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    if (base.size() > 3
        && (comBarras.startsWith(dentro, Qt::CaseInsensitive) || comBarras.compare(base, Qt::CaseInsensitive) == 0))
        return comBarras;
    const QString resolvido = resolveSemCaixa(base, resto.split(QLatin1Char('/')));
    // A path ending in a separator names a folder; keep that visible.
    if (resto.endsWith(QLatin1Char('/')) && !resolvido.endsWith(QLatin1Char('/')))
        return resolvido + QLatin1Char('/');
    return resolvido;
}

QString Instalacao::naPastaPrograma(const QString &sufixo) const
{
    QString resto = sufixo;
    resto.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return resolveSemCaixa(m_pastaPrograma, resto.split(QLatin1Char('/')));
}

QString Instalacao::bancoLocal() const
{
    return naPastaPrograma(Caminhos::bancoLocal());
}

namespace Caminhos {

QString nomeArquivo(const QString &caminho)
{
    const qsizetype barra = std::max(caminho.lastIndexOf(QLatin1Char('\\')), caminho.lastIndexOf(QLatin1Char('/')));
    return caminho.mid(barra + 1);
}

} // namespace Caminhos
