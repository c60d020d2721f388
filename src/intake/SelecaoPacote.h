#pragma once

#include "common/Instalacao.h"
#include "package/EventoZip.h"
#include "package/PacoteEscolhido.h"
#include "store/ConsultaEscola.h"

#include <QObject>
#include <QString>

#include <optional>

class Interlocutor;

// "...": the package the user picked, a ZIP file or the first piece of a
// package spread over several disks. The pieces are gathered from the disks
// and joined, the package is read back whole, unpacked in the working
// folder, the school identified from its database (which is removed again),
// and the package made ready to send. What it does comes out through its
// signals while it runs; the prompts for the disks and every message are the
// user's through the interlocutor.
class SelecaoPacote : public QObject
{
    Q_OBJECT

public:
    struct Resultado
    {
        bool pronto = false;
        // The working folder was emptied: a package chosen before is gone.
        bool esvaziada = false;
        // The user cancelled at a disk's prompt.
        bool cancelada = false;
        // Why the package could not be made ready, when an error stopped it.
        QString causa;
        PacoteEscolhido pacote;
    };

    // `escolhido`: the full path the user picked.
    SelecaoPacote(const Instalacao &instalacao, QString escolhido, Interlocutor &interlocutor,
                  QObject *parent = nullptr);

    Resultado executa();

Q_SIGNALS:
    // The status line of the selection ("Lendo o primeiro disquete.
    // Aguarde...", empty when it ends); while it shows, the job works.
    void mensagem(const QString &texto);
    // The path the selection now stands for (the choice; the last disk's
    // piece for a package spread over disks; empty for an invalid choice).
    void caminho(const QString &caminho);
    // The folder the selection reads now (program form): drive a:, the
    // working folder.
    void pasta(const QString &pasta);
    // The ZIP component's progress while it reads the package back and
    // unpacks it, and the end of its work.
    void progressoZip(const EventoZip &evento);
    void zipConcluido();
    // The package's database was read: its school, or none.
    void escolaIdentificada(const std::optional<DadosEscola> &escola);
    // The package is ready, just before the user is told so.
    void pacotePronto(const PacoteEscolhido &pacote);

private:
    bool selecionaPacote(Resultado &resultado);
    bool juntaDisquetes(const QString &primeiro);
    bool pedeDisquete(const QString &texto);

    const Instalacao m_instalacao;
    QString m_escolhido;
    Interlocutor &m_interlocutor;
    // A prompt for a disk was cancelled.
    bool m_cancelada = false;
};

// Joins the pieces in `pasta` (program form, ending in "\"), the files whose
// names end in three digits in name order, into one package and deletes the
// pieces. False when any step fails.
bool AgrupaArquivos(const Instalacao &instalacao, const QString &pasta);
