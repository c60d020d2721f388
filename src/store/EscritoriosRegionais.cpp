#include "store/EscritoriosRegionais.h"

#include <QFile>
#include <QStringList>

QList<EscritorioRegional> escritoriosRegionais()
{
    QFile arquivo(QStringLiteral(":/escritorios_regionais.tsv"));
    if (!arquivo.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return leEscritoriosRegionais(QString::fromUtf8(arquivo.readAll()));
}

QList<EscritorioRegional> leEscritoriosRegionais(const QString &texto)
{
    QList<EscritorioRegional> lista;
    for (const QString &linhaOriginal : texto.split(QLatin1Char('\n'))) {
        const QString linha = linhaOriginal.trimmed();
        if (linha.isEmpty() || linha.startsWith(QLatin1Char('#')))
            continue;
        const QStringList campos = linha.split(QLatin1Char('\t'));
        bool ok = false;
        const int codigo = campos.first().trimmed().toInt(&ok);
        if (campos.size() < 2 || !ok)
            continue;
        const bool provisorio =
            campos.size() > 2 && campos.at(2).trimmed().compare(QLatin1String("provisorio"), Qt::CaseInsensitive) == 0;
        lista.append({codigo, campos.at(1).trimmed(), provisorio});
    }
    return lista;
}
