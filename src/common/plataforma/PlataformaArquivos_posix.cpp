#include "common/plataforma/PlataformaArquivos.h"

#include "common/Erro.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray nativo(const QString &caminho)
{
    return QFile::encodeName(caminho);
}

// 0 when the call succeeded, else the error it left in errno.
int resultado(bool ok)
{
    return ok ? 0 : errno;
}

// Repeats a write (`escreveDesde(feitos)`, answering what it wrote or -1)
// until all `tamanho` bytes are written: 0, or the error it left in errno.
template <typename F> int escreveTudo(qint64 tamanho, F &&escreveDesde)
{
    qint64 feitos = 0;
    while (feitos < tamanho) {
        const ssize_t n = escreveDesde(feitos);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        feitos += n;
    }
    return 0;
}

PlataformaArquivos::Identidade identidadeDe(const struct stat &info)
{
    return {static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino), static_cast<qint64>(info.st_size),
            static_cast<qint64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

ErroTavo falha(const QString &caminho, int codigo)
{
    return ErroTavo(Erros::FalhaArquivo,
                    QStringLiteral("%1: %2").arg(caminho, PlataformaArquivos::textoDoSistema(codigo)));
}

// The folder a path lies in.
QByteArray pastaDe(const QByteArray &caminho)
{
    const qsizetype barra = caminho.lastIndexOf('/');
    if (barra < 0)
        return ".";
    return barra == 0 ? QByteArray("/") : caminho.left(barra);
}

// What this process has just made at `caminho` (open as `descritor`, or -1),
// in a folder shared by a group (one with the set-group-ID bit), gets that
// folder's group and the group's write, whatever the umask: every user of
// the group works on the files any of them made. A file of another user,
// opened rather than made, is left as it is. A failure changes nothing the
// caller reports: the file was made all the same.
void compartilhaSeGrupo(int descritor, const QByteArray &caminho)
{
    struct stat pasta
    {
    };
    if (::stat(pastaDe(caminho).constData(), &pasta) != 0 || !(pasta.st_mode & S_ISGID))
        return;
    struct stat feito
    {
    };
    const int lido = descritor >= 0 ? ::fstat(descritor, &feito) : ::lstat(caminho.constData(), &feito);
    if (lido != 0 || feito.st_uid != ::geteuid() || S_ISLNK(feito.st_mode))
        return;
    if (feito.st_gid != pasta.st_gid)
        descritor >= 0 ? ::fchown(descritor, static_cast<uid_t>(-1), pasta.st_gid)
                       : ::chown(caminho.constData(), static_cast<uid_t>(-1), pasta.st_gid);
    // A file its owner may not write either stays read-only.
    if (!(feito.st_mode & S_IWUSR))
        return;
    const mode_t modo = (feito.st_mode & 07777) | S_IRGRP | S_IWGRP | (S_ISDIR(feito.st_mode) ? S_IXGRP : 0);
    if (modo != (feito.st_mode & 07777))
        descritor >= 0 ? ::fchmod(descritor, modo) : ::chmod(caminho.constData(), modo);
}

void sincroniza(const QString &caminho)
{
    PlataformaArquivos::Arquivo arquivo;
    int codigo = arquivo.abreLeitura(caminho); // a folder opens for reading too
    if (codigo == 0)
        codigo = arquivo.descarrega();
    if (codigo != 0)
        throw falha(caminho, codigo);
}

} // namespace

namespace PlataformaArquivos {

Arquivo::~Arquivo()
{
    // A failure here can no longer be reported: a caller that needs to know
    // calls fecha() itself.
    if (aberto())
        ::close(static_cast<int>(m_descritor));
}

Arquivo::Arquivo(Arquivo &&outro) noexcept
    : m_descritor(outro.m_descritor)
{
    outro.m_descritor = -1;
}

Arquivo &Arquivo::operator=(Arquivo &&outro) noexcept
{
    if (this != &outro) {
        if (aberto())
            ::close(static_cast<int>(m_descritor));
        m_descritor = outro.m_descritor;
        outro.m_descritor = -1;
    }
    return *this;
}

int Arquivo::abreLeitura(const QString &caminho)
{
    *this = Arquivo();
    m_descritor = ::open(nativo(caminho).constData(), O_RDONLY | O_CLOEXEC);
    return resultado(aberto());
}

int Arquivo::criaNovo(const QString &caminho)
{
    *this = Arquivo();
    const QByteArray nome = nativo(caminho);
    m_descritor = ::open(nome.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (!aberto())
        return errno;
    compartilhaSeGrupo(static_cast<int>(m_descritor), nome);
    return 0;
}

int Arquivo::abreTrava(const QString &caminho, const QByteArray &conteudo)
{
    const QByteArray nome = nativo(caminho);
    // A holder removes the file as it lets go: a lock taken on the file it
    // removed, opened just before, locks nothing. Then the name is opened
    // again; a few times at most, as each time another client came and went.
    for (int tentativa = 0; tentativa < 8; ++tentativa) {
        *this = Arquivo();
        m_descritor = ::open(nome.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        // A lock file another user left (a run under sudo) opens for
        // reading only; its lock is taken all the same.
        if (!aberto() && errno == EACCES)
            m_descritor = ::open(nome.constData(), O_RDONLY | O_CLOEXEC);
        if (!aberto())
            return errno;
        const int descritor = static_cast<int>(m_descritor);
        int travada;
        do {
            travada = ::flock(descritor, LOCK_EX | LOCK_NB);
        } while (travada != 0 && errno == EINTR);
        if (travada != 0) {
            const int codigo = errno;
            *this = Arquivo();
            return codigo;
        }
        struct stat aberto
        {
        };
        struct stat comNome
        {
        };
        if (::fstat(descritor, &aberto) == 0 && ::stat(nome.constData(), &comNome) == 0
            && aberto.st_dev == comNome.st_dev && aberto.st_ino == comNome.st_ino) {
            compartilhaSeGrupo(descritor, nome);
            if (::ftruncate(descritor, 0) == 0)
                escreve(conteudo.constData(), conteudo.size());
            return 0;
        }
    }
    *this = Arquivo();
    return EWOULDBLOCK;
}

void Arquivo::largaTrava(const QString &caminho)
{
    removeArquivo(caminho);
    fecha();
}

int Arquivo::le(char *dados, qint64 tamanho, qint64 &lidos)
{
    ssize_t n;
    do {
        n = ::read(static_cast<int>(m_descritor), dados, static_cast<size_t>(tamanho));
    } while (n < 0 && errno == EINTR);
    lidos = n < 0 ? 0 : n;
    return resultado(n >= 0);
}

int Arquivo::leEm(qint64 posicao, char *dados, qint64 tamanho, qint64 &lidos)
{
    ssize_t n;
    do {
        n = ::pread(static_cast<int>(m_descritor), dados, static_cast<size_t>(tamanho), static_cast<off_t>(posicao));
    } while (n < 0 && errno == EINTR);
    lidos = n < 0 ? 0 : n;
    return resultado(n >= 0);
}

int Arquivo::escreve(const char *dados, qint64 tamanho)
{
    return escreveNoDescritor(m_descritor, dados, tamanho);
}

int escreveNoDescritor(qintptr descritor, const char *dados, qint64 tamanho)
{
    return escreveTudo(tamanho, [&](qint64 feitos) {
        return ::write(static_cast<int>(descritor), dados + feitos, static_cast<size_t>(tamanho - feitos));
    });
}

int Arquivo::escreveEm(qint64 posicao, const char *dados, qint64 tamanho)
{
    return escreveTudo(tamanho, [&](qint64 feitos) {
        return ::pwrite(static_cast<int>(m_descritor), dados + feitos, static_cast<size_t>(tamanho - feitos),
                        static_cast<off_t>(posicao + feitos));
    });
}

int Arquivo::descarrega()
{
    if (::fsync(static_cast<int>(m_descritor)) == 0)
        return 0;
    // The system's answer for a file that does not support synchronisation.
    return errno == EINVAL || errno == EROFS ? 0 : errno;
}

int Arquivo::fecha()
{
    const int descritor = static_cast<int>(m_descritor);
    m_descritor = -1;
    // The descriptor is released even when close fails; it is never closed twice.
    return resultado(::close(descritor) == 0);
}

int Arquivo::abreAcrescimo(const QString &caminho)
{
    *this = Arquivo();
    const QByteArray nome = nativo(caminho);
    m_descritor = ::open(nome.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (!aberto())
        return errno;
    compartilhaSeGrupo(static_cast<int>(m_descritor), nome);
    return 0;
}

int Arquivo::trava(std::chrono::milliseconds limite)
{
    // flock cannot wait with a bound: it is asked again, a millisecond
    // apart, until the bound passes. A holder keeps the lock for one write.
    const auto prazo = std::chrono::steady_clock::now() + limite;
    for (;;) {
        if (::flock(static_cast<int>(m_descritor), LOCK_EX | LOCK_NB) == 0)
            return 0;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= prazo)
            return errno;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int Arquivo::destrava()
{
    return resultado(::flock(static_cast<int>(m_descritor), LOCK_UN) == 0);
}

int Arquivo::trunca(qint64 tamanho)
{
    int codigo;
    do {
        codigo = resultado(::ftruncate(static_cast<int>(m_descritor), static_cast<off_t>(tamanho)) == 0);
    } while (codigo == EINTR);
    return codigo;
}

int Arquivo::identidade(Identidade &resultado) const
{
    struct stat info
    {
    };
    if (::fstat(static_cast<int>(m_descritor), &info) != 0)
        return errno;
    resultado = identidadeDe(info);
    return 0;
}

int criaPasta(const QString &pasta)
{
    const QByteArray nome = nativo(pasta);
    if (::mkdir(nome.constData(), 0777) != 0)
        return errno;
    compartilhaSeGrupo(-1, nome);
    return 0;
}

void compartilhaComGrupo(const QString &caminho)
{
    compartilhaSeGrupo(-1, nativo(caminho));
}

bool pastaDeGrupo(const QString &pasta)
{
    struct stat info
    {
    };
    return ::stat(nativo(pasta).constData(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISGID);
}

void mascaraDeGrupo()
{
    // The umask is read by setting it: for that moment it is the strictest,
    // so a file another thread makes meanwhile is not opened to all.
    const mode_t mascara = ::umask(077);
    ::umask(mascara & ~static_cast<mode_t>(S_IWGRP));
}

int concedeAosUsuarios(const QString &)
{
    return 0;
}

std::optional<bool> usuariosModificam(const QString &)
{
    return std::nullopt;
}

std::optional<bool> usuariosModificamNaAcl(const QString &)
{
    return std::nullopt;
}

QString comandoQueConcede(const QString &)
{
    return {};
}

bool somenteLeitura(const QString &caminho)
{
    struct stat info
    {
    };
    if (::stat(nativo(caminho).constData(), &info) != 0)
        return false;
    return (info.st_mode & S_IWUSR) == 0;
}

int removeArquivo(const QString &caminho)
{
    return resultado(::unlink(nativo(caminho).constData()) == 0);
}

int identidade(const QString &caminho, Identidade &resultado)
{
    struct stat info
    {
    };
    if (::stat(nativo(caminho).constData(), &info) != 0)
        return errno;
    resultado = identidadeDe(info);
    return 0;
}

int renomeia(const QString &novo, const QString &destino)
{
    return resultado(::rename(nativo(novo).constData(), nativo(destino).constData()) == 0);
}

int renomeiaSemSubstituir(const QString &novo, const QString &destino)
{
    const QByteArray de = nativo(novo);
    const QByteArray para = nativo(destino);
    if (::renameat2(AT_FDCWD, de.constData(), AT_FDCWD, para.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system that cannot rename without replacing: a second name,
    // which a name taken refuses as well, then the first one goes.
    if (::link(de.constData(), para.constData()) != 0)
        return errno;
    ::unlink(de.constData());
    return 0;
}

int segundoNome(const QString &arquivo, const QString &outro)
{
    return resultado(::link(nativo(arquivo).constData(), nativo(outro).constData()) == 0);
}

qint64 limiteArquivosAbertos()
{
    rlimit limite{};
    if (::getrlimit(RLIMIT_NOFILE, &limite) != 0 || limite.rlim_cur == RLIM_INFINITY)
        return 0;
    return qint64(limite.rlim_cur);
}

bool outrosPodemLer(const QString &arquivo)
{
    struct stat estado
    {
    };
    if (::stat(nativo(arquivo).constData(), &estado) != 0)
        return true;
    return (estado.st_mode & (S_IRWXG | S_IRWXO)) != 0;
}

bool podeGravar(const QString &pasta)
{
    return ::access(nativo(pasta).constData(), W_OK) == 0;
}

void descarrega(const QString &caminho)
{
    sincroniza(caminho);
}

void substitui(const QString &novo, const QString &destino)
{
    if (const int codigo = renomeia(novo, destino))
        throw falha(destino, codigo);
    sincroniza(QFileInfo(destino).absolutePath());
}

std::optional<qint64> donoDaTrava(const QString &caminho)
{
    struct stat info
    {
    };
    if (::stat(nativo(caminho).constData(), &info) != 0)
        return std::nullopt;
    QFile travas(QStringLiteral("/proc/locks"));
    if (!travas.open(QIODevice::ReadOnly))
        return std::nullopt;
    // "1: FLOCK  ADVISORY  WRITE 4242 08:01:131 0 EOF": the holder, then the
    // device (major and minor in hex) and the file's inode.
    const QByteArray arquivo = QByteArray::number(major(info.st_dev), 16).rightJustified(2, '0') + ':'
                               + QByteArray::number(minor(info.st_dev), 16).rightJustified(2, '0') + ':'
                               + QByteArray::number(static_cast<qulonglong>(info.st_ino));
    for (const QByteArray &linha : travas.readAll().split('\n')) {
        const QList<QByteArray> campos = linha.simplified().split(' ');
        if (campos.size() >= 6 && campos.at(1) == "FLOCK" && campos.at(5) == arquivo)
            return campos.at(4).toLongLong();
    }
    return std::nullopt;
}

} // namespace PlataformaArquivos
