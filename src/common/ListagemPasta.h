#pragma once

#include <QString>
#include <QStringList>

// The files of a folder given in the program's form ("c:\temp_tavo", "a:\"),
// in the order the file list shows them: by name, without regard to case.
// Raises ErroTavo(Erros::CaminhoNaoEncontrado) for a folder that does not
// exist.
class Instalacao;

QStringList ArquivosDaPasta(const Instalacao &instalacao, const QString &pasta);
