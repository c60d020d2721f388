#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <chrono>
#include <optional>

// The console's terminal: whether a standard stream is a terminal (a person
// is there to answer and to watch the progress), reading an answer from
// standard input with a time bound, and writing to the standard streams with
// the system's error when a write fails.
namespace PlataformaTerminal {

enum class Fluxo { Entrada, Saida, Erro };

// The standard streams (descriptors 0 to 2) found closed at start.
struct Fechados
{
    bool entrada = false;
    bool saida = false;
    bool erro = false;
};

// The program's arguments (without its name) as the bytes that name files,
// for the check that each is text: on Linux argv as it is; nothing on
// Windows, where the arguments are read as UTF-16 (CommandLineToArgvW, as
// QCoreApplication::arguments() does) and are always text.
QList<QByteArray> argumentosEmBytes(int argc, const char *const argv[]);

// The program's arguments (without its name) as text, as
// QCoreApplication::arguments() reads them, once main has changed argv (the
// console blanks a proxy's password there): on Linux decoded from `bytes`,
// argumentosEmBytes() taken before the change (Qt would read argv as it is
// now); on Windows, where `bytes` is empty, Qt's own, read from the system's
// copy of the command line, which argv is not (the application must exist).
QStringList argumentosEmTexto(const QList<QByteArray> &bytes);

// Opens each standard stream found closed on /dev/null (NUL on Windows), so that the next
// file the program opens (the lock, the log) does not take its number and
// receive what is meant for the stream. Called first thing in main, before
// anything opens a file.
Fechados abreFechados();

// A write to a pipe whose reader is gone fails with EPIPE instead of ending
// the process with SIGPIPE. Programs started later get the default again.
// Windows has no such signal: the write fails all the same. There the
// console, when there is one, is set to UTF-8 both ways.
void semSinalPipe();

bool ehTerminal(Fluxo fluxo);

// Writes all of `dados` to the stream (standard output or error), or fails:
// 0, or the system's error number (<cerrno>).
int escreve(Fluxo fluxo, const QByteArray &dados);

// The last check of standard output: what the C library holds for it is
// flushed, and a write the system deferred (a file on a network disk) is
// reported. 0, or the system's error number.
int concluiSaida();

// One line typed on standard input, without its line end. Nothing when the
// input ends or `limite` passes first; the time goes on while the line is
// typed.
std::optional<QByteArray> leLinha(std::chrono::milliseconds limite);

} // namespace PlataformaTerminal
