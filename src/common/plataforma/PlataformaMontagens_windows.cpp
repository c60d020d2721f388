#include "common/plataforma/PlataformaMontagens.h"

#include "common/plataforma/ApoioWindows.h"

#include <QDir>

namespace {

std::wstring raiz(QChar letra)
{
    return std::wstring{static_cast<wchar_t>(letra.toUpper().unicode()), L':', L'\\'};
}

// True when the drive holds a readable medium; asking does not bring up
// Windows' "insert a disk" box.
bool comMidia(QChar letra)
{
    const UINT anterior = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const bool pronto =
        ::GetVolumeInformationW(raiz(letra).c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
    ::SetErrorMode(anterior);
    return pronto;
}

} // namespace

namespace Montagens {

std::optional<Unidade> unidadeRemovivel()
{
    // A test's list stands for the drives: the first of them, with a medium.
    if (const std::optional<QStringList> &lista = simulados()) {
        if (lista->isEmpty())
            return std::nullopt;
        return Unidade{QDir::cleanPath(lista->first()), true};
    }
    const DWORD unidades = ::GetLogicalDrives();
    // The PC's own A:, with or without a disk in it.
    if (unidades & 1u) {
        const UINT tipo = ::GetDriveTypeW(raiz(QLatin1Char('A')).c_str());
        if (tipo != DRIVE_NO_ROOT_DIR && tipo != DRIVE_UNKNOWN)
            return Unidade{QStringLiteral("A:/"), comMidia(QLatin1Char('A'))};
    }
    for (int indice = 1; indice < 26; ++indice) {
        const QChar letra(QLatin1Char(static_cast<char>('A' + indice)));
        if ((unidades & (1u << indice)) && ::GetDriveTypeW(raiz(letra).c_str()) == DRIVE_REMOVABLE && comMidia(letra))
            return Unidade{QString(letra) + QStringLiteral(":/"), true};
    }
    return std::nullopt;
}

QString raizDaUnidade(QChar letra)
{
    return QString(letra.toUpper()) + QStringLiteral(":/");
}

QString usuario()
{
    wchar_t nome[256] = {};
    DWORD tamanho = 256;
    if (::GetUserNameW(nome, &tamanho) && tamanho > 1)
        return QString::fromWCharArray(nome, int(tamanho - 1));
    return qEnvironmentVariable("USERNAME");
}

} // namespace Montagens
