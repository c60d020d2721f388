#pragma once

// The console's exit status, the one table of the help text, the manual and
// the README (the numbers above 2 follow the BSD sysexits).
namespace CodigosSaida {

enum Codigo : int {
    Sucesso = 0,
    Falha = 1,           // any other failure
    UsoIncorreto = 2,    // wrong usage, a path argument that cannot be represented
    Recusado = 3,        // the server refused: packet size, access, the file, a kick before the data
    NaoRegistrado = 4,   // the package went out whole, the send could not be recorded: never resend
    DadosInvalidos = 65, // the package, the school database or the former client's database is unusable
    SemServidor = 69,    // no server port accepted a connection (the proxy included): retry
    SemTrava = 73,       // the program folder's lock cannot be made (not: held by another client)
    EntradaSaida = 74,   // a local input/output error: a full disk, another user's link, the output not writable
    TenteDepois = 75, // the folder is in use, or the connection was lost or timed out before the package went out whole
    Configuracao = 78, // no server settings saved, a bad TAVO_ROOT or configuration value
};

// Whether an unattended send tried again later may end otherwise.
inline bool valeRepetir(int codigo)
{
    return codigo == SemServidor || codigo == TenteDepois;
}

} // namespace CodigosSaida
