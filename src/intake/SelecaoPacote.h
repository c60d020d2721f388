#pragma once

#include "intake/ConsultaEscola.h"
#include "package/MotorZip.h"
#include "package/PacoteEscolhido.h"

#include <QString>

#include <functional>
#include <optional>

class Interlocutor;

// "...": the package the user picked, a ZIP file or the first piece of a
// package spread over several disks. The pieces are gathered from the disks
// and joined, the package is read back whole, unpacked in the working
// folder, the school identified from its database (which is removed again),
// and the package made ready to send. The prompts for the disks and every
// message are the user's through the interlocutor.
class SelecaoPacote
{
public:
    struct Ouvinte
    {
        // The status line of the selection ("Lendo o Arquivo. Aguarde...",
        // empty when it ends); while it shows, the job works.
        std::function<void(const QString &texto)> mensagem;
        // The path the selection now stands for (the choice; the last disk's
        // piece for a package spread over disks; empty for an invalid choice).
        std::function<void(const QString &caminho)> caminho;
        // The folder the selection reads now (program form): drive a:, the
        // working folder.
        std::function<void(const QString &pasta)> pasta;
        // The ZIP component's status texts, and the end of its work.
        MotorZip::Relator statusZip;
        std::function<void()> zipConcluido;
        // The package's database was read: its school, or none.
        std::function<void(const std::optional<DadosEscola> &escola)> escolaIdentificada;
        // The package is ready, just before the user is told so.
        std::function<void(const PacoteEscolhido &pacote)> pacotePronto;
    };

    struct Resultado
    {
        bool pronto = false;
        // The working folder was emptied: a package chosen before is gone.
        bool esvaziada = false;
        PacoteEscolhido pacote;
    };

    // `escolhido`: the full path the user picked.
    SelecaoPacote(QString escolhido, Interlocutor &interlocutor);

    Resultado executa(const Ouvinte &ouvinte) const;

private:
    bool selecionaPacote(const Ouvinte &ouvinte, Resultado &resultado) const;
    bool juntaDisquetes(const Ouvinte &ouvinte, const QString &primeiro) const;
    bool pedeDisquete(const QString &texto) const;

    QString m_escolhido;
    Interlocutor &m_interlocutor;
};

// Joins the pieces in `pasta` (program form, ending in "\"), the files whose
// names end in three digits in name order, into one package and deletes the
// pieces. False when any step fails.
bool AgrupaArquivos(const QString &pasta);
