#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh installation for one test: TAVO_ROOT points at a temporary folder
// holding the template local database, drive folders included, and no
// removable medium of the machine is seen as drive a:. Restores the
// environment when it goes away.
class AmbienteTeste
{
public:
    // `comBanco` false leaves the program's folder without a database.
    explicit AmbienteTeste(bool comBanco = true);
    ~AmbienteTeste();

    QString raiz() const { return m_pasta.path(); }
    // Host path of the local database.
    QString bancoLocal() const;
    // Runs statements directly on the local database (test set-up and checks).
    void executa(const QString &sql) const;
    // Reads one value from the local database.
    QString valor(const QString &sql) const;
    // Copies a file of tests/data to a host path, creating its folder.
    void copiaDado(const QString &nome, const QString &destino) const;
    // Host path of a file of tests/data.
    static QString dado(const QString &nome);

private:
    QTemporaryDir m_pasta;
    QByteArray m_raizAnterior;
    QByteArray m_disqueteAnterior;
};
