#pragma once

#include <QByteArray>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QString>

#include <optional>

// What the tests ask of the system itself, each on Linux and on Windows
// (SistemaTeste_posix.cpp, SistemaTeste_windows.cpp). What Windows cannot do
// here answers false or nothing, and the test says it skips.
namespace SistemaTeste {

inline bool windows()
{
    return QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
}

// Whether the environment's values are bytes (Linux), which may not be
// text, or UTF-16 text (Windows).
inline bool ambienteEmBytes()
{
    return !windows();
}

// Whether a program takes its language from LANG and LC_* (Linux), or
// from the user's settings (Windows).
inline bool idiomaPeloAmbiente()
{
    return !windows();
}

// Whether a file can be put in place of one some process holds open.
inline bool substituiArquivoAberto()
{
    return !windows();
}

// Whether the test runs as root (mounting, another user's files).
bool administrador();

// Mounts a tmpfs of `tamanho` ("64k", "2m") on the folder `pasta`, read-only
// when asked: a full or write-protected disk that is not the machine's own.
// False where it cannot (not root; Windows).
bool montaPequena(const QString &pasta, const QByteArray &tamanho, bool somenteLeitura = false);
// Makes the file system mounted on `pasta` read-only from now on.
bool remontaSomenteLeitura(const QString &pasta);
void desmonta(const QString &pasta);

// The permission bits a new file of this process gets (0666 less the
// umask); nothing on Windows, where rights are an ACL.
std::optional<int> modoDeArquivoNovo();
// The permission bits of the file `caminho`; nothing on Windows.
std::optional<int> modo(const QString &caminho);

// Sets the file's time of last change, to the tenth of a microsecond
// (Windows' step): `segundos` since 1970 plus `nanossegundos`.
bool poeHoraModificacao(const QString &caminho, qint64 segundos, long nanossegundos);

// Files this process writes may grow to at most `bytes` from now on (a
// write past it fails as on a full disk), until the limit is let go; false
// where the system has no such limit (Windows).
bool limitaTamanhoArquivos(qint64 bytes);
void liberaTamanhoArquivos();

// The process `processo` will start with at most `limite` open files
// (Linux; nothing on Windows, where handles have no such limit).
void limitaDescritores(QProcess &processo, qint64 limite);

// The processor time (user and system) the process `pid` used so far, in
// seconds; -1 when it cannot be read.
double cpuSegundos(qint64 pid);

// Bytes this process has read from files so far; -1 where the system does
// not count them (Wine, though Windows does).
qint64 bytesLidos();

// The most memory this process held at once so far, in KiB.
long picoMemoriaKb();

// Open descriptors of this process; -1 where the system does not list them
// (Windows).
int descritoresAbertos();

// The receive buffer of the socket `descritor`, in bytes.
bool bufferRecepcao(qintptr descritor, int bytes);

} // namespace SistemaTeste
