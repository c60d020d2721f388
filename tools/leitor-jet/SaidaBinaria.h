#pragma once

#include <cstdio>

// The records go out on standard output as bytes: Windows' C library would
// turn each line feed into CR LF on a stream in text mode. Nothing to do on
// Linux.
void saidaBinaria(std::FILE *saida);
