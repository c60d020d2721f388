#include "common/plataforma/PlataformaPoliticas.h"

#include "common/Log.h"

#include <QDebug>

#include <windows.h>

#include <vector>

namespace PlataformaPoliticas {

namespace {

const wchar_t kChave[] = L"SOFTWARE\\Policies\\TAVO Upload";

} // namespace

bool existem()
{
    return true;
}

QString chave()
{
    return QStringLiteral("HKLM\\") + QString::fromWCharArray(kChave);
}

QHash<QString, QString> le(const QStringList &nomes)
{
    QHash<QString, QString> valores;
    for (const QString &nome : nomes) {
        const std::wstring subchave =
            QString(QString::fromWCharArray(kChave) + QLatin1Char('\\') + nome.section(QLatin1Char('/'), 0, 0))
                .toStdWString();
        const std::wstring valor = nome.section(QLatin1Char('/'), 1).toStdWString();
        DWORD tipo = 0;
        DWORD tamanho = 0;
        const DWORD tipos = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_RT_REG_DWORD | RRF_NOEXPAND;
        LSTATUS estado =
            ::RegGetValueW(HKEY_LOCAL_MACHINE, subchave.c_str(), valor.c_str(), tipos, &tipo, nullptr, &tamanho);
        if (estado == ERROR_FILE_NOT_FOUND)
            continue; // not set: the key or the value is missing
        std::vector<wchar_t> dados(tamanho / sizeof(wchar_t) + 2, L'\0');
        if (estado == ERROR_SUCCESS) {
            tamanho = static_cast<DWORD>(dados.size() * sizeof(wchar_t));
            estado = ::RegGetValueW(HKEY_LOCAL_MACHINE, subchave.c_str(), valor.c_str(), tipos, &tipo, dados.data(),
                                    &tamanho);
        }
        if (estado != ERROR_SUCCESS) {
            qCWarning(lcPrograma).noquote() << "Policy ignored:" << chave() + QLatin1Char('\\') + nome
                                            << "(not text or a number, or unreadable; error" << estado << ")";
            continue;
        }
        const QString texto = tipo == REG_DWORD ? QString::number(*reinterpret_cast<const DWORD *>(dados.data()))
                                                : QString::fromWCharArray(dados.data());
        if (!texto.isEmpty())
            valores.insert(nome, texto);
    }
    return valores;
}

} // namespace PlataformaPoliticas
