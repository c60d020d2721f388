#pragma once

#include "common/Instalacao.h"
#include "common/Log.h"
#include "store/PastaPrograma.h"

#include <QThread>
#include <QTranslator>

#include <memory>
#include <optional>

// What the program does before its window exists: it takes the program
// folder for itself (two clients would empty each other's working folder),
// turns a local database of the former client (an Access file) into its
// own, and puts the template database in place when there is none.
class Inicio
{
public:
    Inicio() = default;
    Inicio(const Inicio &) = delete;
    Inicio &operator=(const Inicio &) = delete;

    // False when another client holds the program's folder, or when its lock
    // cannot be had: the user was told, and the program ends. The folder
    // stays held while this lives.
    bool prepara(const Instalacao &instalacao);

    // The installation, read once for the start; nothing when a path
    // variable of the environment (TAVO_ROOT, ...) cannot be used as a path:
    // the user was told, and the program ends. Read before anything uses the
    // program's folder.
    static std::optional<Instalacao> carregaInstalacao();

private:
    std::unique_ptr<PastaPrograma> m_pasta;
};

// What the window program sets up on its application object before anything
// else: its name, the launcher and icon it belongs to, month names and
// numbers in Portuguese whatever the desktop's language, Qt's standard
// buttons in Portuguese ("Sim", "Não", "Cancelar"), the log
// (tavo-upload.log in the program's folder, and standard error), and the
// libraries its window needs first loaded on another core. Lives as long as
// the application object.
class AmbienteJanela
{
public:
    explicit AmbienteJanela(const Instalacao &instalacao);
    ~AmbienteJanela();
    AmbienteJanela(const AmbienteJanela &) = delete;
    AmbienteJanela &operator=(const AmbienteJanela &) = delete;

private:
    std::unique_ptr<Log::Instalacao> m_log;
    QTranslator m_traducaoQt;
    std::unique_ptr<QThread> m_carga;
};
