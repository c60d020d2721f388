#pragma once

#include "common/gui/CaixaMensagem.h"
#include "shell/frmPrincipal.h"

#include "support/AmbienteTeste.h"
#include "support/CaixasRoteirizadas.h"

#include <QMap>
#include <QString>

// A fresh installation (settings saved, so no greeting), the ZIP component
// set up, the clock fixed at 1 March 2026 10:00, and the seams of the package
// flows reset when it goes away. The jobs run here with `usuario`: every
// message they give is a box of the script `caixas`.
class CenarioPacote
{
public:
    CenarioPacote();
    ~CenarioPacote();

    // Host path of a path in the program's form.
    static QString local(const QString &caminho);
    QString pastaTrabalho() const;
    QString pastaPacotes() const;
    QString disquete() const;

    // Puts a database of tests/data at c:\inetpub\wwwroot\tavo\mirv_dat.mdb.
    void poeBancoEscola(const QString &fixture);
    // Writes a package holding `conteudo` as mirv_dat.mdb at a host path.
    static void criaPacote(const QString &caminho, const QByteArray &conteudo);

    static QByteArray le(const QString &caminho);
    static void grava(const QString &caminho, const QByteArray &dados);
    static QStringList arquivosDe(const QString &pasta);
    static QByteArray aleatorio(qint64 tamanho, quint32 semente);
    // Bytes of the database packed in a package, read back by extraction.
    static QByteArray bancoDoPacote(const QString &pacote);

    AmbienteTeste ambiente;
    CaixasRoteirizadas caixas;
    CaixaMensagem::Caixas usuario;
};

// The same installation with the main window loaded, for what the window
// shows of the jobs it runs.
class CenarioJanela : public CenarioPacote
{
public:
    CenarioJanela();

    frmPrincipal janela{instalacaoAtual()};
};

// Drive a: as a drive with a set of disks: inserting a disk puts its files
// in the drive's folder; taking it out keeps what was written on it.
class Disquetes
{
public:
    explicit Disquetes(QString pastaDrive)
        : m_drive(std::move(pastaDrive))
    {
    }
    // Takes out the disk in the drive (if any) and inserts disk `numero`.
    void insere(int numero);
    // Takes out the disk: the drive is then not ready.
    void retira();
    int atual() const { return m_atual; }
    // Files of each disk by number, after it was taken out.
    QMap<int, QMap<QString, QByteArray>> discos;

private:
    QString m_drive;
    int m_atual = 0;
};
