#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of one of the project's programs, as a test sees it.
struct Execucao
{
    int codigo = -1; // -1: did not end in time; -2: crashed
    QString saida;
    QString erros;
};

// Runs `programa` with `ambiente` in `pasta` (empty: this process's folder)
// and waits at most `limiteMs` for it to end; one that does not is killed.
Execucao executaPrograma(const QString &programa, const QStringList &argumentos, const QProcessEnvironment &ambiente,
                         int limiteMs, const QString &pasta = {});

// The arguments that run a program as the user nobody (setpriv), for tests of
// what another user meets; the program's path follows them.
QStringList comoNinguem();

// Whether the user nobody can run `programa` and write in `pasta` (a build
// or a temporary folder under a home only its owner enters cannot be).
bool ninguemAlcanca(const QString &programa, const QString &pasta);
