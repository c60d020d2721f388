#pragma once

#include "common/Esperado.h"

#include <QString>

#include <zip.h>

// libzip, loaded when the program first needs it rather than when it starts
// (with it come the compression and cipher libraries it links), so the
// window comes up without them. Every function of it the program calls is
// here, resolved by name when the library is loaded.
#define TAVO_FUNCOES_LIBZIP(X)                                                                                         \
    X(zip_close)                                                                                                       \
    X(zip_compression_method_supported)                                                                                \
    X(zip_discard)                                                                                                     \
    X(zip_error_code_system)                                                                                           \
    X(zip_error_fini)                                                                                                  \
    X(zip_error_init)                                                                                                  \
    X(zip_error_init_with_code)                                                                                        \
    X(zip_error_set)                                                                                                   \
    X(zip_error_strerror)                                                                                              \
    X(zip_error_system_type)                                                                                           \
    X(zip_error_to_data)                                                                                               \
    X(zip_fclose)                                                                                                      \
    X(zip_file_add)                                                                                                    \
    X(zip_file_get_error)                                                                                              \
    X(zip_fopen_index)                                                                                                 \
    X(zip_fread)                                                                                                       \
    X(zip_get_error)                                                                                                   \
    X(zip_get_num_entries)                                                                                             \
    X(zip_open)                                                                                                        \
    X(zip_open_from_source)                                                                                            \
    X(zip_set_file_compression)                                                                                        \
    X(zip_source_free)                                                                                                 \
    X(zip_source_function)                                                                                             \
    X(zip_source_function_create)                                                                                      \
    X(zip_source_make_command_bitmap)                                                                                  \
    X(zip_stat_index)                                                                                                  \
    X(zip_stat_init)

struct BibliotecaZip
{
#define TAVO_PONTEIRO_LIBZIP(funcao) decltype(&::funcao) funcao = nullptr;
    TAVO_FUNCOES_LIBZIP(TAVO_PONTEIRO_LIBZIP)
#undef TAVO_PONTEIRO_LIBZIP

    // The library, loaded at the first call, on any thread (a call made
    // while another thread loads it waits for that load, which takes
    // milliseconds); ErroTavo(Erros::BibliotecaNaoCarregada), its detail
    // saying why, when it cannot be loaded or lacks a function.
    static Esperado<const BibliotecaZip *> carregada();
};
