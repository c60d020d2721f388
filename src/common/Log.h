#pragma once

#include <QLoggingCategory>
#include <QString>

#include <memory>

// The program's log, for IT staff: what each job did and, when it failed,
// the cause the user's message leaves out (the system's or the library's
// error, the file, the port, the server's answer). Every line belongs to the
// category of its subsystem:
//
//   tavo.app       start-up, the one-client lock, the log itself
//   tavo.store     the local database: preparation, conversion, settings
//   tavo.jet       the Jet reader (the helper tavo-leitor-jet)
//   tavo.zip       package generation and the ZIP engine
//   tavo.media     floppy export, and a package chosen and gathered from disks
//   tavo.transfer  the transfer session
//   tavo.history   the history report and the record of a send
//
// Info and above are written; debug lines only when asked for
// (QT_LOGGING_RULES="tavo.*.debug=true", or the console's --verbose).
Q_DECLARE_LOGGING_CATEGORY(lcPrograma)
Q_DECLARE_LOGGING_CATEGORY(lcBanco)
Q_DECLARE_LOGGING_CATEGORY(lcJet)
Q_DECLARE_LOGGING_CATEGORY(lcZip)
Q_DECLARE_LOGGING_CATEGORY(lcMidia)
Q_DECLARE_LOGGING_CATEGORY(lcTransferencia)
Q_DECLARE_LOGGING_CATEGORY(lcHistorico)

// Where the lines go: tavo-upload.log in the program's folder, capped in
// size and rotated (tavo-upload.log, .log.1, .log.2, the oldest dropped),
// one line per message:
//
//   2026-03-01T14:03:22.123-03:00 tavo-upload[4321] warning tavo.transfer: text
//
// and, for the window, standard error as well (the journal). The window and
// the console share the file; each line names the program and its process.
namespace Log {

enum class Eco {
    ErroPadrao, // the lines also go to standard error
    Nenhum,     // the file only; a fatal message still reaches standard error
};

struct Destino
{
    // The folder of the log file; created when missing.
    QString pasta;
    Eco eco = Eco::ErroPadrao;
    // Debug lines of the program's categories are written too.
    bool depuracao = false;
    // Most bytes in one file, and how many files are kept (the current one
    // included). A message longer than the cap is cut to it.
    qint64 limite = 1024 * 1024;
    int arquivos = 3;
};

// The window's log: the file and standard error.
Destino janela(const QString &pasta);
// The console's: the file only, so that standard error holds only the
// user's messages; also standard error when `detalhado` (--verbose, which
// turns the debug lines on as well) or when QT_LOGGING_RULES is set.
Destino console(const QString &pasta, bool detalhado);

// The current log file in `pasta` (n = 0) and its n-th older copy.
QString arquivo(const QString &pasta, int n = 0);

// Every message of the process goes to the destination while this lives;
// then the handler that was there before takes them again. A folder where
// the log cannot be written stops nothing: the lines go on to standard error
// when the destination echoes them, and are dropped otherwise; one note on
// standard error says so. One at a time: a second one installed takes the
// messages until it goes, then gives them back to the first.
class Instalacao
{
public:
    explicit Instalacao(const Destino &destino);
    ~Instalacao();
    Instalacao(const Instalacao &) = delete;
    Instalacao &operator=(const Instalacao &) = delete;

    struct Estado;

private:
    std::unique_ptr<Estado> m_estado;
};

} // namespace Log
