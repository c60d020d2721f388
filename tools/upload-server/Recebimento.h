#pragma once

#include "common/plataforma/PlataformaArquivos.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the server keeps of the packages it receives, under its storage
// folder, one folder per package name:
//   <nome>/<nome>                    the latest whole package of that name
//   <nome>/envio.txt                 what its client announced
//   <nome>/<nome>.AAAAMMDD-HHMMSS    a whole package a later one replaced,
//   <nome>/<nome>.AAAAMMDD-HHMMSS.envio.txt   with its own envio.txt
// (the suffix is when the replaced package was stored; "-2", "-3", ... when
// that name is taken). A session writes to a temporary file of its own,
// named .recebendo-<16 hex digits>.parcial, that takes the package's name
// only once the whole package is on the disk.
class Recebimento
{
public:
    Recebimento() = default;
    // A package not concluded is discarded.
    ~Recebimento();
    Recebimento(const Recebimento &) = delete;
    Recebimento &operator=(const Recebimento &) = delete;

    // Why a package of this name is not taken (a control character or a
    // line break in it, or the metadata file's name), or empty.
    static QString motivoRecusa(const QString &nome);

    // Removes the temporary files an earlier run left behind (it was
    // killed, or the machine stopped, in the middle of a package), and the
    // ones of the former versions of this server (<nome>.parcial). Returns
    // the files removed.
    static QStringList limpaRestos(const QString &pasta);

    // Makes the package's folder under `pasta` and the session's temporary
    // file in it. An error number (<cerrno>), 0 when it is ready.
    int abre(const QString &pasta, const QString &nome);
    // A package is being received (its temporary file exists).
    bool aberto() const { return !m_temporario.isEmpty(); }
    const QString &temporario() const { return m_temporario; }

    // Appends to the temporary file: 0, or the system's error number.
    int escreve(const char *dados, qint64 tamanho);

    struct Conclusao
    {
        QString destino;  // where the package now is; empty when it was not stored
        QString anterior; // where the whole package it replaced was kept, if any
        QString falha;    // why it was not stored
        QString aviso;    // stored, but something short of it (its envio.txt)
    };
    // The whole package arrived: writes it through to the disk, writes its
    // envio.txt (`metadados`) the same way, keeps the package of that name
    // already there under a dated suffix, and puts both in place, each in
    // one step. On failure nothing that was there changes.
    Conclusao conclui(const QByteArray &metadados);

    // Removes the temporary file (a package that did not arrive whole).
    void descarta();

private:
    QString m_pasta;
    QString m_nome;
    QString m_temporario;
    PlataformaArquivos::Arquivo m_arquivo;
};
