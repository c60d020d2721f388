#pragma once

#include <QString>

#include <cerrno>

#include <windows.h>
// After windows.h:
#include <knownfolders.h>
#include <shlobj.h>

// What the Windows sources of the platform layer share: Windows' error codes
// (GetLastError) as the <cerrno> numbers the layer answers with
// (PlataformaArquivos.h), and the known folders.
namespace PlataformaWindows {

inline int codigoDe(DWORD erro)
{
    switch (erro) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_TOO_LARGE:
        return EFBIG;
    case ERROR_SHARING_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_BUSY:
        return EBUSY;
    case ERROR_LOCK_VIOLATION:
        return EWOULDBLOCK;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
        return ENXIO;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
        return ENOTSUP;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return EPIPE;
    case ERROR_INVALID_HANDLE:
        return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    default:
        return EIO;
    }
}

inline int ultimoErro()
{
    return codigoDe(::GetLastError());
}

// A known folder (FOLDERID_ProgramData, FOLDERID_RoamingAppData,
// FOLDERID_Profile) with '/' separators; empty when Windows has none.
inline QString pastaConhecida(REFKNOWNFOLDERID qual)
{
    PWSTR caminho = nullptr;
    QString pasta;
    if (SUCCEEDED(::SHGetKnownFolderPath(qual, KF_FLAG_DEFAULT, nullptr, &caminho)) && caminho)
        pasta = QString::fromWCharArray(caminho).replace(QLatin1Char('\\'), QLatin1Char('/'));
    ::CoTaskMemFree(caminho);
    return pasta;
}

} // namespace PlataformaWindows
