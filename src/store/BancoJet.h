#pragma once

#include "store/Banco.h"

#include <QList>
#include <QSqlDatabase>

#include <memory>

// Reads a Jet (Access .mdb) file, read-only: returns the importer that copies
// the tables a statement names into the in-memory SQLite database of a
// session's connection. Raises ErroTavo when the file cannot be read.
std::unique_ptr<ImportadorTabelas> abreBancoJet(const QString &caminho);

// A table written from an export: the rows it carried, and what the file
// declares of it. A damaged file gives fewer rows than it declares, or pages
// that cannot be read; a count the file did not keep up to date, more rows.
struct TabelaCopiada
{
    QString nome;
    qint64 linhas = 0;
    qint64 declaradas = 0;
    quint32 paginasIlegiveis = 0;
};

// Writes the `quantas` tables of an export (LeitorJet::exporta of the file
// `caminho`) into `destino`, in one transaction: each table under its own
// name, its columns with their names and the SQLite type nearest to their
// Jet type, its rows in the file's order. Raises ErroTavo, writing nothing,
// when the export or a statement fails.
QList<TabelaCopiada> copiaTabelasJet(const QByteArray &exportacao, qsizetype quantas, QSqlDatabase &destino,
                                     const QString &caminho);
