#include "support/SistemaTeste.h"

#include <QDir>

#include <winsock2.h>
// After winsock2.h:
#include <windows.h>
// After windows.h:
#include <psapi.h>

namespace SistemaTeste {

bool administrador()
{
    return false;
}

bool montaPequena(const QString &, const QByteArray &, bool)
{
    return false;
}

bool remontaSomenteLeitura(const QString &)
{
    return false;
}

void desmonta(const QString &)
{
}

std::optional<int> modoDeArquivoNovo()
{
    return std::nullopt;
}

std::optional<int> modo(const QString &)
{
    return std::nullopt;
}

bool poeHoraModificacao(const QString &caminho, qint64 segundos, long nanossegundos)
{
    const HANDLE arquivo =
        ::CreateFileW(QDir::toNativeSeparators(caminho).toStdWString().c_str(), FILE_WRITE_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (arquivo == INVALID_HANDLE_VALUE)
        return false;
    // 100 ns steps since 1601-01-01.
    const qint64 passos = segundos * 10000000 + 116444736000000000LL + nanossegundos / 100;
    FILETIME hora{DWORD(passos & 0xffffffff), DWORD(passos >> 32)};
    const bool ok = ::SetFileTime(arquivo, nullptr, nullptr, &hora);
    ::CloseHandle(arquivo);
    return ok;
}

bool limitaTamanhoArquivos(qint64)
{
    return false;
}

void liberaTamanhoArquivos()
{
}

void limitaDescritores(QProcess &, qint64)
{
}

double cpuSegundos(qint64 pid)
{
    const HANDLE processo = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!processo)
        return -1;
    FILETIME criado{}, fim{}, sistema{}, usuario{};
    const bool ok = ::GetProcessTimes(processo, &criado, &fim, &sistema, &usuario);
    ::CloseHandle(processo);
    const auto segundos = [](const FILETIME &t) {
        return double((qint64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return ok ? segundos(sistema) + segundos(usuario) : -1;
}

qint64 bytesLidos()
{
    IO_COUNTERS contadores{};
    if (!::GetProcessIoCounters(::GetCurrentProcess(), &contadores) || contadores.ReadOperationCount == 0)
        return -1; // Wine counts nothing
    return qint64(contadores.ReadTransferCount);
}

long picoMemoriaKb()
{
    PROCESS_MEMORY_COUNTERS contadores{};
    contadores.cb = sizeof contadores;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &contadores, sizeof contadores))
        return 0;
    return long(contadores.PeakWorkingSetSize / 1024);
}

int descritoresAbertos()
{
    return -1;
}

bool bufferRecepcao(qintptr descritor, int bytes)
{
    return ::setsockopt(SOCKET(descritor), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&bytes), sizeof bytes)
           == 0;
}

} // namespace SistemaTeste
