#pragma once

#include <QString>

// The program works with the fixed Windows paths of its installation
// ("c:\temp_tavo", "c:\inetpub\wwwroot\tavo\...", "a:\", the program's folder);
// the installation (common/Instalacao.h) turns them into paths of the host.
namespace Caminhos {

// The fixed paths of the installation, in their Windows form.
inline QString pastaTrabalho()
{
    return QStringLiteral("c:\\temp_tavo");
}
inline QString bancoEscola()
{
    return QStringLiteral("c:\\inetpub\\wwwroot\\tavo\\mirv_dat.mdb");
}
inline QString pastaPacotes()
{
    return QStringLiteral("c:\\inetpub\\wwwroot\\tavo\\Arquivo_gerado\\");
}
inline QString unidadeDisquete()
{
    return QStringLiteral("a:\\");
}
inline QString bancoLocal()
{
    return QStringLiteral("\\UploadCliente.mdb");
}

// The file name part of a path in either form ("GetFileName").
QString nomeArquivo(const QString &caminho);

} // namespace Caminhos
