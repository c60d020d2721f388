#pragma once

#include <QList>
#include <QString>

// The regional offices whose descriptions the program keeps: code and town,
// in the order the list gives them. The list ships with the program.
struct EscritorioRegional
{
    int codigo;
    QString cidade;
};

QList<EscritorioRegional> escritoriosRegionais();
