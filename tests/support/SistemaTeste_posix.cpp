#include "support/SistemaTeste.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray nativo(const QString &caminho)
{
    return QFile::encodeName(caminho);
}

rlimit &tamanhoAntes()
{
    static rlimit antes{};
    return antes;
}

} // namespace

namespace SistemaTeste {

bool administrador()
{
    return ::geteuid() == 0;
}

bool montaPequena(const QString &pasta, const QByteArray &tamanho, bool somenteLeitura)
{
    return administrador()
           && ::mount("tmpfs", nativo(pasta).constData(), "tmpfs", somenteLeitura ? MS_RDONLY : 0,
                      QByteArray("size=" + tamanho).constData())
                  == 0;
}

bool remontaSomenteLeitura(const QString &pasta)
{
    return ::mount(nullptr, nativo(pasta).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void desmonta(const QString &pasta)
{
    ::umount2(nativo(pasta).constData(), MNT_DETACH);
}

QString plantaAtalhoAlheio(const QString &atalho, const QString &alvo)
{
    if (::geteuid() != 0)
        return QStringLiteral("only root gives a link another owner");
    if (::symlink(QFile::encodeName(alvo).constData(), QFile::encodeName(atalho).constData()) != 0
        || ::lchown(QFile::encodeName(atalho).constData(), 65534, 65534) != 0)
        return QStringLiteral("no link made: ") + QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

bool arrancaAtalho(const QString &atalho)
{
    return ::unlink(QFile::encodeName(atalho).constData()) == 0;
}

std::optional<int> modoDeArquivoNovo()
{
    const mode_t mascara = ::umask(0);
    ::umask(mascara);
    return int(0666 & ~mascara);
}

std::optional<int> modo(const QString &caminho)
{
    struct stat estado
    {
    };
    if (::stat(nativo(caminho).constData(), &estado) != 0)
        return std::nullopt;
    return int(estado.st_mode & 0777);
}

bool poeHoraModificacao(const QString &caminho, qint64 segundos, long nanossegundos)
{
    const timespec horas[2] = {{time_t(segundos), 0}, {time_t(segundos), nanossegundos}};
    return ::utimensat(AT_FDCWD, nativo(caminho).constData(), horas, 0) == 0;
}

bool limitaTamanhoArquivos(qint64 bytes)
{
    ::getrlimit(RLIMIT_FSIZE, &tamanhoAntes());
    // A write past the limit fails with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limite = tamanhoAntes();
    limite.rlim_cur = rlim_t(bytes);
    return ::setrlimit(RLIMIT_FSIZE, &limite) == 0;
}

void liberaTamanhoArquivos()
{
    ::setrlimit(RLIMIT_FSIZE, &tamanhoAntes());
    std::signal(SIGXFSZ, SIG_DFL);
}

void limitaDescritores(QProcess &processo, qint64 limite)
{
    if (limite <= 0)
        return;
    processo.setChildProcessModifier([limite] {
        const rlimit descritores{rlim_t(limite), rlim_t(limite)};
        ::setrlimit(RLIMIT_NOFILE, &descritores);
    });
}

double cpuSegundos(qint64 pid)
{
    QFile estado(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!estado.open(QIODevice::ReadOnly))
        return -1;
    // After the command's name in parentheses: state is field 3, user and
    // system time (in clock ticks) fields 14 and 15.
    const QList<QByteArray> campos = estado.readAll().split(')').last().trimmed().split(' ');
    return campos.size() > 12
               ? double(campos.at(11).toLongLong() + campos.at(12).toLongLong()) / double(::sysconf(_SC_CLK_TCK))
               : -1;
}

qint64 bytesLidos()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &linha : io.readAll().split('\n')) {
        if (linha.startsWith("rchar: "))
            return linha.mid(7).toLongLong();
    }
    return -1;
}

long picoMemoriaKb()
{
    rusage uso{};
    ::getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss;
}

int descritoresAbertos()
{
    const QDir pasta(QStringLiteral("/proc/self/fd"));
    return pasta.exists() ? int(pasta.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size()) : -1;
}

bool bufferRecepcao(qintptr descritor, int bytes)
{
    return ::setsockopt(int(descritor), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0;
}

} // namespace SistemaTeste
