#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// tavo-upload-server running in the background for one test, on a port the
// system picks, storing what arrives under a temporary folder.
class ProcessoServidor
{
public:
    ProcessoServidor() = default;
    ~ProcessoServidor();
    ProcessoServidor(const ProcessoServidor &) = delete;
    ProcessoServidor &operator=(const ProcessoServidor &) = delete;

    // Starts it with the extra `argumentos` on `porta` (0: one the system
    // picks) and waits (bounded) for its "listening" line. Returns its port,
    // or 0 when it did not start.
    quint16 inicia(const QStringList &argumentos, quint16 porta = 0);
    // The next start runs it with at most `descritores` open files.
    void limitaDescritores(int descritores) { m_descritores = descritores; }

    // The processor time it has used so far, in seconds.
    double cpuSegundos() const;
    // Everything it printed so far.
    QString saida();
    QString pasta() const { return m_pasta.path(); }

private:
    QProcess m_processo;
    QTemporaryDir m_pasta;
    QString m_texto;
    int m_descritores = 0;
};
