#pragma once

#include "common/PlataformaArquivos.h"

#include <QString>

// One client at a time per program folder: two would empty each other's
// working folder. The lock is the file "tavo-upload.lock" in the program's
// folder, locked on construction and let go with the object (the system
// lets go of it when the process ends, however it ends). The window and the
// console take the same lock.
class TravaPrograma
{
public:
    enum class Situacao {
        Tomada,  // this client holds the folder
        Ocupada, // another client holds it
        SemTrava // the folder cannot hold a lock (read-only, say): logged, and the client runs
    };

    TravaPrograma();
    ~TravaPrograma();
    TravaPrograma(const TravaPrograma &) = delete;
    TravaPrograma &operator=(const TravaPrograma &) = delete;

    Situacao situacao() const { return m_situacao; }
    bool ocupada() const { return m_situacao == Situacao::Ocupada; }

    // What the user is told when another client holds the folder.
    static QString textoOcupada() { return QStringLiteral("O TAVO - Upload já está aberto."); }

private:
    PlataformaArquivos::Arquivo m_arquivo;
    QString m_caminho;
    Situacao m_situacao = Situacao::SemTrava;
};
