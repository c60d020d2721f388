#include "SaidaBinaria.h"

void saidaBinaria(std::FILE *)
{
}
