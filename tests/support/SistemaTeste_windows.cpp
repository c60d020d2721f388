#include "support/SistemaTeste.h"

#include <QDir>

#include <functional>

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

namespace {

DWORD atributos(const QString &caminho)
{
    return ::GetFileAttributesW(QDir::toNativeSeparators(caminho).toStdWString().c_str());
}

// Wine runs Unix programs but does not tell when one ends: `feito` is waited
// for, at most 10 s.
bool noUnix(const QString &comando, const QStringList &argumentos, const std::function<bool()> &feito)
{
    const bool ok =
        QProcess::startDetached(QStringLiteral("Z:/bin/sh"), QStringList{QStringLiteral("-c"), comando} + argumentos);
    for (int i = 0; ok && i < 100 && !feito(); ++i)
        ::Sleep(100);
    return ok && feito();
}

} // namespace

QString plantaAtalhoAlheio(const QString &atalho, const QString &alvo)
{
    const auto ehAtalho = [&atalho] {
        return atributos(atalho) != INVALID_FILE_ATTRIBUTES && (atributos(atalho) & FILE_ATTRIBUTE_REPARSE_POINT);
    };
    const std::wstring link = QDir::toNativeSeparators(atalho).toStdWString();
    const bool feito =
        ::CreateSymbolicLinkW(link.c_str(), QDir::toNativeSeparators(alvo).toStdWString().c_str(),
                              SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    if (ehAtalho()) {
        // This user's: another owner takes SeRestorePrivilege, not asked for here.
        ::RemoveDirectoryW(link.c_str());
        return QStringLiteral("Windows made a link of this user's only");
    }
    // Wine makes no link (CreateSymbolicLinkW answers true and makes nothing,
    // junctions are not supported) but shows a Unix link as a reparse point,
    // whose owner it reads from what it points to: another Unix account's is
    // S-1-5-7. Only root gives files away; the link is renamed into place last.
    if (!atalho.startsWith(QLatin1String("Z:/"), Qt::CaseInsensitive)
        || atributos(QStringLiteral("Z:/bin/sh")) == INVALID_FILE_ATTRIBUTES)
        return QStringLiteral("Windows made no link here (CreateSymbolicLinkW answered %1)").arg(feito);
    if (noUnix(QStringLiteral("chown 65534:65534 $0 && ln -s $0 $1.n && chown -h 65534:65534 $1.n && mv $1.n $1"),
               {alvo.mid(2), atalho.mid(2)}, ehAtalho))
        return {};
    return QStringLiteral("Wine made no Unix link of another account (root's to make)");
}

bool arrancaAtalho(const QString &atalho)
{
    return noUnix(QStringLiteral("rm -f $0"), {atalho.mid(2)},
                  [&atalho] { return atributos(atalho) == INVALID_FILE_ATTRIBUTES; });
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
