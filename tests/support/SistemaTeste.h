#pragma once

#include <QByteArray>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QString>

#include <optional>

// What the tests ask of the system itself (_posix.cpp, _windows.cpp); what
// Windows cannot do answers false or nothing, and the test says it skips.
namespace SistemaTeste {

inline bool windows()
{
    return QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
}

// Environment values are bytes (Linux), or UTF-16 text (Windows).
inline bool ambienteEmBytes()
{
    return !windows();
}

// The language comes from LANG (Linux), not the user's settings (Windows).
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

// A tmpfs of `tamanho` ("64k") on `pasta`: a small disk not the machine's own.
bool montaPequena(const QString &pasta, const QByteArray &tamanho, bool somenteLeitura = false);
// Makes the file system mounted on `pasta` read-only from now on.
bool remontaSomenteLeitura(const QString &pasta);
void desmonta(const QString &pasta);

// Makes `atalho` a link to the folder `alvo` whose owner, as the client
// reads it, is another account (not this user's nor the system's): empty,
// or why that cannot be done here.
QString plantaAtalhoAlheio(const QString &atalho, const QString &alvo);
// Removes such a link where the client cannot (Wine's Unix link).
bool arrancaAtalho(const QString &atalho);

// A new file's permission bits (0666 less the umask); nothing on Windows.
std::optional<int> modoDeArquivoNovo();
// The permission bits of the file `caminho`; nothing on Windows.
std::optional<int> modo(const QString &caminho);

// The file's time of change, to Windows' step of 100 ns.
bool poeHoraModificacao(const QString &caminho, qint64 segundos, long nanossegundos);

// Files written may grow to `bytes` at most (as a full disk); false on Windows.
bool limitaTamanhoArquivos(qint64 bytes);
void liberaTamanhoArquivos();

// At most `limite` open files for the process `processo` (Linux).
void limitaDescritores(QProcess &processo, qint64 limite);

// Processor seconds the process `pid` used; -1 when unknown.
double cpuSegundos(qint64 pid);

// Bytes this process read from files; -1 where not counted (Wine).
qint64 bytesLidos();

// The most memory this process held at once so far, in KiB.
long picoMemoriaKb();

// Open descriptors of this process; -1 where not listed (Windows).
int descritoresAbertos();

// The receive buffer of the socket `descritor`, in bytes.
bool bufferRecepcao(qintptr descritor, int bytes);

} // namespace SistemaTeste
