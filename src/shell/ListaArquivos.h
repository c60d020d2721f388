#pragma once

#include "common/Instalacao.h"

#include <QListWidget>

// The file list of a folder (the "File1" of the main window): the files of
// its folder in ascending name order, one of them selected or none. The
// folder is given in the program's own path form ("c:\temp_tavo", "a:\").
class ListaArquivos : public QListWidget
{
    Q_OBJECT

public:
    explicit ListaArquivos(const Instalacao &instalacao, QWidget *parent = nullptr);

    // Points the list at a folder and reads it. A folder that does not exist
    // raises ErroTavo(Erros::CaminhoNaoEncontrado) and leaves the list as it was.
    void setPath(const QString &pasta);
    // The folder as set, without a trailing "\" (except for a drive root).
    QString path() const { return m_pasta; }
    // Reads the folder again; the selection is lost.
    void refresh();
    // Selects entry `indice`; -1 clears the selection.
    void setListIndex(int indice);
    int listIndex() const;
    // Name of the selected file, or empty text when none is selected.
    QString fileName() const;
    // Name of entry `indice`.
    QString nome(int indice) const;

private:
    const Instalacao m_instalacao;
    QString m_pasta;
};
