#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

class Instalacao;
class frmPrincipal;

// What the bench drivers share: clocks, the process's own CPU time and peak
// memory, and the main window opened as the program opens it, its message
// boxes answered by a script.
namespace Bancada {

// Wall-clock seconds since `inicio`.
double segundosDesde(std::chrono::steady_clock::time_point inicio);

// User + system CPU time of this process (all its threads), in seconds.
double cpuSegundos();

// Peak resident memory of this process (VmHWM), in KiB.
long picoMemoriaKB();

// Answers every box: "Sim" to a question, OK to the rest. Each box's title
// is kept, so a driver can tell how a flow ended.
void respondeCaixas();
QStringList titulosDasCaixas();

// The installation this run found, read once (TAVO_ROOT, ...).
const Instalacao &instalacao();

// The local database of TAVO_ROOT made as at first start, `configuracao`
// holding the given server (nothing when `porta` is 0).
void preparaInstalacao(quint16 porta = 0);

// The main window as main() opens it: loaded and shown (offscreen under the
// bench), the school's identity filled in as after a package was chosen.
std::unique_ptr<frmPrincipal> abreJanela();

// Places the package `origem` in the working folder (a hard link when the
// file system allows it, else a copy) and makes it the window's chosen
// package, as "Gerar" leaves it, with the send buttons enabled.
// Returns the package's name.
QString colocaPacote(frmPrincipal &janela, const QString &origem);

// A control of the window by its name (the program's control names); a
// control the window does not have ends the driver.
QObject *controleDe(const QObject &janela, const char *nome);
template <typename T> T *controle(const QObject &janela, const char *nome)
{
    return qobject_cast<T *>(controleDe(janela, nome));
}

// Runs the event loop for `ms` milliseconds.
void processaEventos(int ms);

// Prints one "chave=valor" line on standard output.
void informa(const char *chave, double valor);
void informa(const char *chave, const QString &valor);

} // namespace Bancada
