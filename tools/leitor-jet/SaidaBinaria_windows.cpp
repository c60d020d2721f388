#include "SaidaBinaria.h"

#include <fcntl.h>
#include <io.h>

void saidaBinaria(std::FILE *saida)
{
    _setmode(_fileno(saida), _O_BINARY);
}
