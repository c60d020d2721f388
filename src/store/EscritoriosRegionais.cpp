#include "store/EscritoriosRegionais.h"

#include <QFile>

QList<EscritorioRegional> escritoriosRegionais()
{
    QList<EscritorioRegional> lista;
    QFile arquivo(QStringLiteral(":/escritorios_regionais.tsv"));
    if (!arquivo.open(QIODevice::ReadOnly | QIODevice::Text))
        return lista;
    while (!arquivo.atEnd()) {
        const QString linha = QString::fromUtf8(arquivo.readLine()).trimmed();
        if (linha.isEmpty() || linha.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype tab = linha.indexOf(QLatin1Char('\t'));
        bool ok = false;
        const int codigo = linha.left(tab).toInt(&ok);
        if (tab > 0 && ok)
            lista.append({codigo, linha.mid(tab + 1).trimmed()});
    }
    return lista;
}
