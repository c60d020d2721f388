#pragma once

#include <QList>
#include <QString>

class Instalacao;

// The regional offices whose descriptions the program keeps: code and town,
// in the order the list gives them.
struct EscritorioRegional
{
    int codigo;
    QString cidade;
    // A placeholder town ("provisorio" in the list): it names the office in
    // a new installation but never replaces a description already stored.
    bool provisorio = false;
};

// The list in use. A site provides its own as escritorios_regionais.tsv in
// the program's folder or, for every user of the machine, in the system's
// configuration folder (Instalacao::pastaSistema()); the program
// folder's wins, and either replaces the list built into the program. A
// site's list that cannot be read, is not UTF-8 text or has no valid line
// is logged, and the built-in list is used.
QList<EscritorioRegional> escritoriosRegionais(const Instalacao &instalacao);

// The site's list file escritoriosRegionais() reads; empty when there is none.
QString arquivoEscritoriosRegionais(const Instalacao &instalacao);

// The list's text: per line the code, a tab, the town and, for a
// placeholder, a tab and "provisorio"; "#" starts a comment line. The
// numbers (from 1) of other lines that are not a valid entry go to
// `ignoradas` when given.
QList<EscritorioRegional> leEscritoriosRegionais(const QString &texto, QList<int> *ignoradas = nullptr);
