#pragma once

#include "common/Instalacao.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <optional>
#include <utility>

// A fresh installation for one test: TAVO_ROOT points at a temporary folder
// holding the template local database, drive folders included, and no
// removable medium of the machine is seen as drive a:. Neither the
// machine's site configuration (/etc/tavo-upload) nor the user's
// (~/.config/tavo-upload) is read: the system's folder, the user's
// configuration and data folders are empty temporary folders, and no
// TAVO_DRIVE_* is set. Restores the environment when it goes away.
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

    // The site's configuration folders this environment stands in for:
    // /etc/tavo-upload, ~/.config/tavo-upload and ~/.local/share (empty, and
    // not all created, at first).
    QString pastaSistema() const;
    QString pastaConfiguracaoUsuario() const;
    QString pastaDadosUsuario() const;

private:
    QTemporaryDir m_pasta;
    QTemporaryDir m_configuracao;
    // Each variable changed, with its earlier value (nothing: it was unset).
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_anteriores;
};

// The installation as a start of the program would read it now: the
// environment and the configuration files as the test left them.
Instalacao instalacaoAtual();
