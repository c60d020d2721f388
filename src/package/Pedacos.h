#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

// Package names and floppy pieces.
//
// A package is named "DADOS_" + school code + "_" + ddmmyyyy + ".zip" in the
// package folder. A package larger than one piece is cut into pieces of
// TamanhoPedaco() bytes (the last holds the rest), named after the package
// with ".001", ".002", …; joined in number order they give the package back.

// Full path (program form) of the package of a school on a date.
QString NomePacote(const QString &codigoEscola, const QDate &data);

// 1.38 MiB in whole bytes: 1,447,035.
qint64 TamanhoPedaco();

// Number of pieces of a package of `tamanho` bytes; 0 when it is not cut.
int QuantidadePedacos(qint64 tamanho);

// Name of piece `numero` (from 1) of the package file `nomePacote`.
QString NomePedaco(const QString &nomePacote, int numero);

// A file of a folder of pieces: its name ends in three digits.
bool EhPedaco(const QString &nome);

// Cuts the file `origemLocal` into pieces written into `pastaLocal` (the
// working folder: they are not flushed, see GravacaoAtomica) under
// NomePedaco(nomeBase, k); `aCadaPedaco` runs after each piece is complete.
// Returns the number of pieces; 0 (nothing written) when the file fits in
// one piece.
int CortaEmPedacos(const QString &origemLocal, const QString &pastaLocal, const QString &nomeBase,
                   const std::function<void(int numero)> &aCadaPedaco = {});

// Joins the pieces `pedacos` (file names in `pastaLocal`, the working
// folder, in order) into one
// file named after the first piece without its last four characters. The
// pieces are copied in bounded blocks, so memory does not grow with their
// size; an empty or unreadable piece fails the join (ErroTavo) and no output
// is left. Returns the output's file name.
QString JuntaPedacos(const QString &pastaLocal, const QStringList &pedacos);
