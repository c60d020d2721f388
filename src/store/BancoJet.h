#pragma once

#include "store/Banco.h"

#include <memory>

// Reads a Jet (Access .mdb) file, read-only: returns the importer that copies
// the tables a statement names into the in-memory SQLite database of the
// shared connection. Raises ErroTavo when the file cannot be read.
std::unique_ptr<ImportadorTabelas> abreBancoJet(const QString &caminho);
