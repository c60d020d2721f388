#include "common/plataforma/PlataformaPastas.h"

#include "common/Erro.h"
#include "common/plataforma/PlataformaConta.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

const QString kNomePrograma = QStringLiteral("tavo-upload");

// A home that is the root, or none, is no home.
QString pastaPessoalUsavel(const QString &pasta)
{
    const QString limpa = pasta.isEmpty() ? QString() : QDir::cleanPath(pasta);
    return limpa == QLatin1String("/") ? QString() : limpa;
}

// The home given by the environment, when it gives a usable one.
QString pastaPessoalDoAmbiente()
{
    return pastaPessoalUsavel(QFile::decodeName(qgetenv("HOME")));
}

// The user's folder that the variable `variavel` names (an absolute path),
// else `padrao` under the home. With a usable HOME, as Qt finds it.
QString pastaDoUsuario(QStandardPaths::StandardLocation local, const char *variavel, const QString &padrao)
{
    if (!pastaPessoalDoAmbiente().isEmpty()) {
        const QString pasta = QStandardPaths::writableLocation(local);
        return pasta.isEmpty() ? pastaPessoalDoAmbiente() + padrao : pasta;
    }
    const QString escolhida = QFile::decodeName(qgetenv(variavel));
    if (QDir::isAbsolutePath(escolhida))
        return QDir::cleanPath(escolhida);
    return PlataformaPastas::pessoal() + padrao;
}

} // namespace

namespace PlataformaPastas {

std::optional<QString> variavel(const char *nome)
{
    const QByteArray bytes = qgetenv(nome);
    const QString texto = QFile::decodeName(bytes);
    if (QFile::encodeName(texto) != bytes)
        return std::nullopt;
    return texto;
}

QString pessoal()
{
    QString pasta = pastaPessoalDoAmbiente();
    if (pasta.isEmpty())
        pasta = pastaPessoalUsavel(PlataformaConta::pastaPessoal());
    if (pasta.isEmpty())
        throw ErroTavo(Erros::ArgumentoInvalido,
                       QStringLiteral("Não foi possível determinar a pasta pessoal do usuário: a variável de "
                                      "ambiente HOME não está definida e a conta não tem pasta pessoal. Defina "
                                      "TAVO_ROOT ou a pasta do programa no arquivo de configuração."));
    return pasta;
}

QString sistema()
{
    return QStringLiteral("/etc/") + kNomePrograma;
}

QString usuario()
{
    return pastaDoUsuario(QStandardPaths::GenericConfigLocation, "XDG_CONFIG_HOME", QStringLiteral("/.config"))
           + QLatin1Char('/') + kNomePrograma;
}

Padrao programa()
{
    const QString dados =
        pastaDoUsuario(QStandardPaths::GenericDataLocation, "XDG_DATA_HOME", QStringLiteral("/.local/share"));
    return {QDir::cleanPath(dados + QLatin1Char('/') + kNomePrograma), QString()};
}

} // namespace PlataformaPastas
