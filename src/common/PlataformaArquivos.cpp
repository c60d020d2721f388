#include "common/PlataformaArquivos.h"

#include "common/Erro.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

ErroTavo falha(const QString &caminho)
{
    return ErroTavo(Erros::FalhaArquivo, QStringLiteral("%1: %2").arg(caminho, QString::fromLocal8Bit(std::strerror(errno))));
}

void sincroniza(const QString &caminho, int modo)
{
    const int fd = ::open(QFile::encodeName(caminho).constData(), modo | O_CLOEXEC);
    if (fd < 0)
        throw falha(caminho);
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL; // a medium that cannot sync has nothing pending
    const int erro = errno;
    ::close(fd);
    errno = erro;
    if (!ok)
        throw falha(caminho);
}

} // namespace

namespace PlataformaArquivos {

void descarrega(const QString &caminho)
{
    sincroniza(caminho, O_RDONLY);
}

void substitui(const QString &novo, const QString &destino)
{
    if (::rename(QFile::encodeName(novo).constData(), QFile::encodeName(destino).constData()) != 0)
        throw falha(destino);
    sincroniza(QFileInfo(destino).absolutePath(), O_RDONLY | O_DIRECTORY);
}

} // namespace PlataformaArquivos
