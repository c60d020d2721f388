#pragma once

// Helpers shared by the fuzz targets that touch files: a private folder per
// process on a memory file system when there is one (fsync is free there),
// and a listing of a folder tree to compare before and after a run.

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace PastaFuzz {

[[noreturn]] inline void falha(const char *motivo, const QString &detalhe = {})
{
    std::fprintf(stderr, "invariante violada: %s %s\n", motivo, qPrintable(detalhe));
    std::abort();
}

// A temporary folder kept for the life of the process.
inline const QString &raiz()
{
    static QTemporaryDir *pasta = [] {
        const QString base =
            QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        auto *p = new QTemporaryDir(base + QStringLiteral("/tavo_fuzz_XXXXXX"));
        if (!p->isValid())
            falha("não foi possível criar a pasta temporária");
        return p;
    }();
    static const QString caminho = pasta->path();
    return caminho;
}

// Every path under `pasta` (relative, with its size and kind), leaving out
// the subtree `excluida` (relative) when given.
inline QStringList listagem(const QString &pasta, const QString &excluida = {})
{
    QStringList lista;
    QDirIterator it(pasta, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(pasta);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relativo = base.relativeFilePath(info.filePath());
        if (!excluida.isEmpty() && (relativo == excluida || relativo.startsWith(excluida + QLatin1Char('/'))))
            continue;
        lista.append(relativo + QLatin1Char(' ')
                     + (info.isSymLink() ? QStringLiteral("L")
                        : info.isDir()   ? QStringLiteral("D")
                                         : QString::number(info.size())));
    }
    lista.sort();
    return lista;
}

} // namespace PastaFuzz
