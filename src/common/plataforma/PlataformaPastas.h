#pragma once

#include <QString>

#include <optional>

// Where each system keeps a program's files when the site's settings name no
// folder (common/Instalacao.h reads those first):
//  - Linux: the system's file in /etc/tavo-upload, the user's in
//    ~/.config/tavo-upload ($XDG_CONFIG_HOME), the program's folder
//    ~/.local/share/tavo-upload ($XDG_DATA_HOME);
//  - Windows: the system's file in %ProgramData%\TAVO Upload, the user's in
//    %APPDATA%\TAVO Upload (the variables, else Windows' known folders), the program's folder %ProgramData%\TAVO
//    Upload\Dados, the same for every user of the PC; or, for the portable
//    edition (an empty file `portatil` beside the programs), the programs'
//    own folder.
namespace PlataformaPastas {

// The environment variable `nome` as a path, empty when unset; nothing when
// its value is no text (Linux: bytes that are not a file name as they are;
// Windows' environment is UTF-16 text, always one).
std::optional<QString> variavel(const char *nome);

// The user's home: HOME, else the account's own (the password database, or
// Windows' profile folder). A home that is the root of the file system
// counts as none: nothing of the program's is ever made there. Raises
// ErroTavo(Erros::ArgumentoInvalido) with the user's message when there is none.
QString pessoal();

// The folder of the system-wide files.
QString sistema();

// The folder of the user's own file. Raises like pessoal() when the folder
// needs a home and the user has none.
QString usuario();

// The program's folder when the environment and the files name none, and
// the rule that chose it, for the diagnosis (empty: the only rule there is).
// Raises like pessoal().
struct Padrao
{
    QString pasta;
    QString regra;
};
Padrao programa();

} // namespace PlataformaPastas
