#include "common/plataforma/PlataformaPastas.h"

#include "common/Erro.h"
#include "common/plataforma/ApoioWindows.h"
#include "common/plataforma/PlataformaConta.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kNomePrograma = QStringLiteral("TAVO Upload");

// The folder the variable `variavel` names (%ProgramData%, %APPDATA%), else
// the known folder, else the error the user is told.
QString conhecida(REFKNOWNFOLDERID qual, const char *nome, const char *variavel = nullptr)
{
    QString pasta = variavel ? qEnvironmentVariable(variavel) : QString();
    if (!QDir::isAbsolutePath(pasta))
        pasta = PlataformaWindows::pastaConhecida(qual);
    if (pasta.isEmpty())
        throw ErroTavo(Erros::ArgumentoInvalido,
                       QStringLiteral("Não foi possível determinar a pasta %1 do Windows. Defina TAVO_ROOT ou a "
                                      "pasta do programa no arquivo de configuração.")
                           .arg(QLatin1String(nome)));
    return QDir::cleanPath(pasta);
}

} // namespace

namespace PlataformaPastas {

std::optional<QString> variavel(const char *nome)
{
    return qEnvironmentVariable(nome);
}

QString pessoal()
{
    // Windows' profile folder; HOME is no Windows variable (a program run
    // under Wine even gets the Linux one).
    return conhecida(FOLDERID_Profile, "pessoal do usuário");
}

QString sistema()
{
    return conhecida(FOLDERID_ProgramData, "ProgramData", "ProgramData") + QLatin1Char('/') + kNomePrograma;
}

QString usuario()
{
    return conhecida(FOLDERID_RoamingAppData, "AppData", "APPDATA") + QLatin1Char('/') + kNomePrograma;
}

Padrao programa()
{
    // The portable edition: an empty file `portatil` beside the programs
    // makes their folder the program's folder.
    if (QCoreApplication::instance()) {
        const QString programas = QCoreApplication::applicationDirPath();
        if (QFileInfo(programas + QStringLiteral("/portatil")).isFile())
            return {QDir::cleanPath(programas), QStringLiteral("arquivo portatil ao lado do programa")};
    }
    return {sistema() + QStringLiteral("/Dados"), QStringLiteral("pasta comum a todos os usuários do computador")};
}

} // namespace PlataformaPastas
