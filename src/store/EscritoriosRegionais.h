#pragma once

#include <QList>
#include <QString>

// The regional offices whose descriptions the program keeps: code and town,
// in the order the list gives them. The list ships with the program.
struct EscritorioRegional
{
    int codigo;
    QString cidade;
    // A placeholder town ("provisorio" in the list): it names the office in
    // a new installation but never replaces a description already stored.
    bool provisorio = false;
};

QList<EscritorioRegional> escritoriosRegionais();

// The list's text: per line the code, a tab, the town and, for a
// placeholder, a tab and "provisorio"; "#" starts a comment line.
QList<EscritorioRegional> leEscritoriosRegionais(const QString &texto);
