#pragma once

#include "store/FormatoJet.h"

#include <string>
#include <vector>

class Canal;

// Reads a Jet file, read-only, with libmdb, and writes what it reads to
// `canal` in the export format of store/FormatoJet.h. Each answers the code
// the helper exits with.
namespace LeituraMdb {

// The names of the file's user tables.
LeitorJet::Saida listaTabelas(const std::string &caminho, Canal &canal);

// The named tables, whole, in the given order.
LeitorJet::Saida exportaTabelas(const std::string &caminho, const std::vector<std::string> &nomes, Canal &canal);

} // namespace LeituraMdb
