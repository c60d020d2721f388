#pragma once

#include "common/TravaPrograma.h"

#include <QString>

class Instalacao;
class Interlocutor;

// How every client starts on the program folder, the window and each console
// command alike: the folder taken with the one-client lock and, under it,
// the local database made ready (preparaBancoLocal: what an interrupted
// conversion left removed, the former client's database converted, the
// template put in place), then the server settings the site manages stored
// (ConfiguracaoGerenciada::aplica). The folder stays held while this lives. When the
// folder is not this client's (another holds it, or its lock cannot be had)
// nothing is touched, and each front end tells its user recusa() its own way.
class PastaPrograma
{
public:
    enum class Preparo {
        BancoLocal, // the lock, then the local database made ready
        SoTrava,    // the lock only (a command that prepares what it needs itself)
    };

    PastaPrograma(const Instalacao &instalacao, Interlocutor &interlocutor, Preparo preparo = Preparo::BancoLocal);
    PastaPrograma(const PastaPrograma &) = delete;
    PastaPrograma &operator=(const PastaPrograma &) = delete;

    // This client may work here: it holds the folder, or the folder cannot be
    // written at all (no lock; nothing was prepared there).
    bool disponivel() const { return !m_trava.ocupada() && !m_trava.falhou(); }
    // Another client holds the folder (rather than a lock that cannot be had).
    bool ocupada() const { return m_trava.ocupada(); }
    // What the user is told when the folder is not available.
    QString recusa() const;
    // The site manages the server settings with values that cannot be used
    // (told through the interlocutor at the start; nothing was stored). Only
    // known while this client holds the folder.
    bool configuracaoInvalida() const { return m_configuracaoInvalida; }
    const TravaPrograma &trava() const { return m_trava; }
    // The former client's database was found and could not be converted
    // (the user was told): the local database is not ready.
    bool conversaoRecusada() const { return m_conversaoRecusada; }

private:
    TravaPrograma m_trava;
    bool m_conversaoRecusada = false;
    bool m_configuracaoInvalida = false;
};

// The regional offices' names refreshed (AtualizaSRE), after the folder is
// made ready: a database that cannot take them (one that can only be read)
// is logged, and the user, who can do nothing about it, is not stopped.
void AtualizaEscritorios(const Instalacao &instalacao);
