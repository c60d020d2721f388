#pragma once

#include "common/TravaPrograma.h"

#include <memory>

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

    // False when another client holds the program's folder: the user was
    // told, and the program ends. The folder stays held while this lives.
    bool prepara();

private:
    std::unique_ptr<TravaPrograma> m_trava;
};
