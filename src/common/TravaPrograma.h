#pragma once

#include "common/plataforma/PlataformaArquivos.h"

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
        Tomada,   // this client holds the folder
        Ocupada,  // another client holds it
        Falhou,   // the folder can be written but no lock can be had: the client does not start
        SemTrava, // the folder cannot be written at all (read-only, say): logged, and the client
                  // runs, writing nothing there
    };

    // Takes the lock of the program's folder `pasta`.
    explicit TravaPrograma(const QString &pasta);
    ~TravaPrograma();
    TravaPrograma(const TravaPrograma &) = delete;
    TravaPrograma &operator=(const TravaPrograma &) = delete;

    Situacao situacao() const { return m_situacao; }
    bool ocupada() const { return m_situacao == Situacao::Ocupada; }

    bool tomada() const { return m_situacao == Situacao::Tomada; }
    bool falhou() const { return m_situacao == Situacao::Falhou; }

    // What the user is told when another client holds the folder.
    static QString textoOcupada() { return QStringLiteral("O TAVO - Upload já está aberto."); }
    // What the user is told when the lock cannot be had (Falhou).
    QString textoFalha() const;

private:
    PlataformaArquivos::Arquivo m_arquivo;
    QString m_caminho;
    Situacao m_situacao = Situacao::SemTrava;
    // The system's error when the lock failed.
    int m_codigo = 0;
};
