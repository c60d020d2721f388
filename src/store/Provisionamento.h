#pragma once

#include "common/Instalacao.h"
#include "store/EscritoriosRegionais.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The local database comes with the installation. When the program's folder
// has none, the shipped template (schema and regional offices) is put there
// once, with the site's initial server settings when it has valid ones (see
// confereServidorInicial; invalid ones are logged and left out); an existing
// file is never touched. Raises ErroTavo on failure.
void garanteBancoLocal(const Instalacao &instalacao);

// Writes the shipped template database to `caminho` (a new file), then runs
// `adicionais` on it, all in one transaction.
void criaBancoModelo(const QString &caminho, const QList<EscritorioRegional> &escritorios,
                     const QStringList &adicionais = {});

// The statement that stores the site's server settings in the local
// database (an update of the row when `linhaExiste`, else an insert), when
// they pass the checks of the settings window: an address of four parts that
// fit its boxes (three characters each), every field filled, no quote in the
// address, ports in range. Otherwise the statement is empty and `recusa`
// says why, in the settings' own words. `endereco` is the address as stored.
struct ServidorInicialConferido
{
    QString comando;
    QString recusa;
    QString endereco;
};
ServidorInicialConferido confereServidorInicial(const ServidorInicial &servidor, bool linhaExiste = false);

// The statements of the template's schema (tables, then the triggers that
// store day-first dates of Historico as ISO text), in order.
QStringList comandosDoModelo();

// The template's statement that creates the table `nome` (any case); empty
// when the template has no such table.
QString comandoCriaTabela(const QString &nome);

// Writes the regional offices of the installation's list into the table
// ACE_ESTRUT_ORGN of `banco`. Raises ErroTavo.
void insereEscritoriosRegionais(QSqlDatabase &banco, const QList<EscritorioRegional> &escritorios);
