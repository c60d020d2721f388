#pragma once

#include <QString>

// The program works with the fixed Windows paths of its installation
// ("c:\temp_tavo", "c:\inetpub\wwwroot\tavo\...", "a:\", the program's folder).
// This module is the only place that turns them into paths of the host.
//
// The environment and the site's files are read by ConfiguracaoSitio:
//  - the program's folder is TAVO_ROOT, else the configured `pasta`, else
//    the system's default (common/plataforma/PlataformaPastas.h);
//  - drive X: is the folder configured for it (TAVO_DRIVE_X, unidades/x),
//    else the host's own drive X: on Windows, else (Linux) the folder
//    drives/x of the program's folder; the rest of the path follows;
//  - drive a: is the folder disquete() finds (the configured one, the
//    stand-in drives/a or a removable medium).
// File names compare without regard to case, as on the original platform:
// an existing file or folder whose name differs only in case is the one used.
namespace Caminhos {

// Host path of the program's folder.
QString pastaPrograma();

// Drive a: on this host: the folder that stands for it and whether a medium
// is there.
//  - a folder configured for a: (TAVO_DRIVE_A, unidades/a): that folder; a
//    medium is there only when a file system is mounted at it (an empty
//    folder on the local disk is no disk).
//  - otherwise drives/a of the program's folder when that folder exists (a
//    stand-in drive inside the program's folder, like drives/c);
//  - otherwise the removable medium the system offers
//    (Montagens::unidadeRemovivel: on Linux the first mount point directly
//    under /media/<user>/, /run/media/<user>/ or /media/; on Windows the
//    PC's A:, else the first removable drive holding a medium);
//  - with none, drives/a of the program's folder, and no medium.
struct Disquete
{
    QString pasta;
    bool presente = false;
};
Disquete disquete();

// Host path of `caminho`: a Windows path with a drive letter is mapped, any
// other path (one chosen in a file dialog, for instance) is used as it is.
// "a:\..." lies in disquete().pasta.
QString local(const QString &caminho);

// Host path of a file of the program's folder, given as "\UploadCliente.mdb".
QString naPastaPrograma(const QString &sufixo);

// The fixed paths of the installation, in their Windows form.
inline QString pastaTrabalho()
{
    return QStringLiteral("c:\\temp_tavo");
}
inline QString pastaTavo()
{
    return QStringLiteral("c:\\inetpub\\wwwroot\\tavo\\");
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
