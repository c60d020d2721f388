#include "common/plataforma/PlataformaArquivos.h"

#include "common/Erro.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <atomic>
#include <climits>

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

// The owners whose links are followed besides this user and root: the
// program folder's, asked only when a link of someone else turns up.
QMutex g_travaPastaConfiavel;
QString g_pastaConfiavel;

QString pastaConfiavel()
{
    const QMutexLocker guarda(&g_travaPastaConfiavel);
    return g_pastaConfiavel;
}

bool donoConfiavel(uid_t dono)
{
    if (dono == ::geteuid() || dono == 0)
        return true;
    const QString pasta = pastaConfiavel();
    struct stat info
    {
    };
    return !pasta.isEmpty() && ::stat(nativo(pasta).constData(), &info) == 0 && info.st_uid == dono;
}

// Walks a path one name at a time from a folder opened without following
// anything, so that what is finally opened, made or removed lies where the
// names say and not where someone else's link leads: a symbolic link is
// followed only when its owner is trusted (donoConfiavel), and read from the
// link that was opened, never from a name that may have changed since.
class Percurso
{
public:
    Percurso() = default;
    ~Percurso() { fechaPasta(); }
    Percurso(const Percurso &) = delete;
    Percurso &operator=(const Percurso &) = delete;

    // Opens every folder of `caminho` but the last name: 0, AtalhoAlheio,
    // or the error of the step that failed.
    int inicia(const QByteArray &caminho)
    {
        fechaPasta();
        m_saltos = 0;
        return anda(caminho);
    }
    // The last name is a link: goes on through its target when its owner is
    // trusted; then pasta() and nome() name the target.
    int segue()
    {
        const int link = ::openat(m_pasta, m_nome.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (link < 0)
            return errno;
        const QByteArray alvo = leAtalho(link, m_texto + '/' + m_nome);
        ::close(link);
        if (alvo.isNull())
            return m_erroAtalho;
        return anda(alvo);
    }
    int pasta() const { return m_pasta; }
    const char *nome() const { return m_nome.constData(); }
    QByteArray texto() const { return m_texto + '/' + m_nome; }

private:
    void fechaPasta()
    {
        if (m_pasta >= 0)
            ::close(m_pasta);
        m_pasta = -1;
    }
    void trocaPasta(int nova)
    {
        fechaPasta();
        m_pasta = nova;
    }

    // The target of the link open as `link` (named `texto`), or null with
    // the reason in m_erroAtalho.
    QByteArray leAtalho(int link, const QByteArray &texto)
    {
        struct stat info
        {
        };
        if (::fstat(link, &info) != 0) {
            m_erroAtalho = errno;
            return {};
        }
        if (!donoConfiavel(info.st_uid)) {
            PlataformaArquivos::registraAtalhoRecusado(QFile::decodeName(texto));
            m_erroAtalho = PlataformaArquivos::AtalhoAlheio;
            return {};
        }
        if (++m_saltos > 40) {
            m_erroAtalho = ELOOP;
            return {};
        }
        QByteArray alvo(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlinkat(link, "", alvo.data(), static_cast<size_t>(alvo.size()));
        if (n < 0 || n >= alvo.size()) {
            m_erroAtalho = n < 0 ? errno : ENAMETOOLONG;
            return {};
        }
        alvo.truncate(n);
        return alvo;
    }

    int anda(const QByteArray &caminho)
    {
        QList<QByteArray> pendentes = caminho.split('/');
        if (caminho.startsWith('/') || m_pasta < 0) {
            const bool absoluto = caminho.startsWith('/');
            const int inicio = ::open(absoluto ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (inicio < 0)
                return errno;
            trocaPasta(inicio);
            m_texto = absoluto ? QByteArray() : QFile::encodeName(QDir::currentPath());
        }
        while (!pendentes.isEmpty()) {
            const QByteArray parte = pendentes.takeFirst();
            if (pendentes.isEmpty()) {
                m_nome = parte.isEmpty() ? QByteArray(".") : parte;
                return 0;
            }
            if (parte.isEmpty() || parte == ".")
                continue;
            const int aberto = ::openat(m_pasta, parte.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
            if (aberto < 0)
                return errno;
            struct stat info
            {
            };
            if (::fstat(aberto, &info) != 0) {
                const int codigo = errno;
                ::close(aberto);
                return codigo;
            }
            if (S_ISDIR(info.st_mode)) {
                trocaPasta(aberto);
                if (parte == "..")
                    m_texto.truncate(std::max<qsizetype>(m_texto.lastIndexOf('/'), 0));
                else
                    m_texto += '/' + parte;
                continue;
            }
            if (!S_ISLNK(info.st_mode)) {
                ::close(aberto);
                return ENOTDIR;
            }
            const QByteArray alvo = leAtalho(aberto, m_texto + '/' + parte);
            ::close(aberto);
            if (alvo.isNull())
                return m_erroAtalho;
            // The target's names come before the rest of the path, from the
            // root when it is absolute.
            QList<QByteArray> doAlvo = alvo.split('/');
            if (alvo.startsWith('/')) {
                const int raiz = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
                if (raiz < 0)
                    return errno;
                trocaPasta(raiz);
                m_texto.clear();
            }
            pendentes = doAlvo + pendentes;
        }
        return 0;
    }

    int m_pasta = -1;
    QByteArray m_nome;
    QByteArray m_texto; // the path of m_pasta, for a message
    int m_saltos = 0;
    int m_erroAtalho = 0;
};

// Opens `caminho` with `flags`: the last name too is followed only when it
// is a link of a trusted owner. The folder it lies in stays open in
// `percurso`.
int abreSeguro(Percurso &percurso, const QByteArray &caminho, int flags, mode_t modo, int &descritor)
{
    if (const int codigo = percurso.inicia(caminho))
        return codigo;
    for (;;) {
        descritor = ::openat(percurso.pasta(), percurso.nome(), flags | O_NOFOLLOW | O_CLOEXEC, modo);
        if (descritor >= 0)
            return 0;
        // O_NOFOLLOW fails on a link with ELOOP (and O_CREAT | O_EXCL with
        // EEXIST: a name taken is never followed).
        if (errno != ELOOP)
            return errno;
        if (const int codigo = percurso.segue())
            return codigo;
    }
}

// The state of what `caminho` names, through trusted links only.
int estadoSeguro(Percurso &percurso, const QByteArray &caminho, struct stat &info)
{
    if (const int codigo = percurso.inicia(caminho))
        return codigo;
    for (;;) {
        if (::fstatat(percurso.pasta(), percurso.nome(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return errno;
        if (!S_ISLNK(info.st_mode))
            return 0;
        if (const int codigo = percurso.segue())
            return codigo;
    }
}

// What this process made or opened as its own (open as `descritor`, in the
// folder open as `pasta`) is kept from the PC's other accounts: a file is
// its owner's alone (0600), or its owner's and the group's (0660) in a folder
// shared by a group (one with the set-group-ID bit), whose group it then
// takes, whatever the umask. A file its owner may not write stays
// read-only; a folder made in a shared one gets the group's rights. A file
// of another user is left as it is. A failure changes nothing the caller
// reports: the file was made all the same.
// The lock file (`privado` false) tells only who holds it: it keeps the
// umask's bits, and gets the group's write in a shared folder, so that every
// member takes the lock.
void ajustaAcessoDe(int descritor, int pasta, bool privado = true, bool somenteLeitura = false)
{
    struct stat dePasta
    {
    };
    struct stat feito
    {
    };
    if (::fstat(pasta, &dePasta) != 0 || ::fstat(descritor, &feito) != 0 || feito.st_uid != ::geteuid())
        return;
    const bool deGrupo = dePasta.st_mode & S_ISGID;
    if (deGrupo && feito.st_gid != dePasta.st_gid)
        ::fchown(descritor, static_cast<uid_t>(-1), dePasta.st_gid);
    const mode_t atual = feito.st_mode & 07777;
    mode_t modo = atual;
    if (S_ISDIR(feito.st_mode)) {
        if (deGrupo)
            modo |= S_IRWXG;
    } else if (S_ISREG(feito.st_mode)) {
        if (privado)
            modo = atual & (somenteLeitura ? S_IRUSR | S_IXUSR : S_IRWXU);
        if (deGrupo)
            modo |= S_IRGRP | ((atual & S_IWUSR) ? S_IWGRP : 0);
    }
    if (modo != atual)
        ::fchmod(descritor, modo);
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
    Percurso percurso;
    int descritor = -1;
    const int codigo = abreSeguro(percurso, nativo(caminho), O_RDONLY, 0, descritor);
    m_descritor = descritor;
    return codigo;
}

int Arquivo::criaNovo(const QString &caminho, Acesso acesso)
{
    *this = Arquivo();
    Percurso percurso;
    int descritor = -1;
    const bool privado = acesso == Acesso::Privado;
    if (const int codigo =
            abreSeguro(percurso, nativo(caminho), O_WRONLY | O_CREAT | O_EXCL, privado ? 0600 : 0666, descritor))
        return codigo;
    m_descritor = descritor;
    if (privado)
        ajustaAcessoDe(descritor, percurso.pasta());
    return 0;
}

int Arquivo::abreTrava(const QString &caminho, const QByteArray &conteudo)
{
    const QByteArray nome = nativo(caminho);
    Percurso percurso;
    // A holder removes the file as it lets go: a lock taken on the file it
    // removed, opened just before, locks nothing. Then the name is opened
    // again; a few times at most, as each time another client came and went.
    for (int tentativa = 0; tentativa < 8; ++tentativa) {
        *this = Arquivo();
        int descritor = -1;
        int codigo = abreSeguro(percurso, nome, O_RDWR | O_CREAT, 0666, descritor);
        // A lock file another user left (a run under sudo) opens for
        // reading only; its lock is taken all the same.
        if (codigo == EACCES)
            codigo = abreSeguro(percurso, nome, O_RDONLY, 0, descritor);
        if (codigo != 0)
            return codigo;
        m_descritor = descritor;
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
        if (::fstat(descritor, &aberto) == 0
            && ::fstatat(percurso.pasta(), percurso.nome(), &comNome, AT_SYMLINK_NOFOLLOW) == 0
            && aberto.st_dev == comNome.st_dev && aberto.st_ino == comNome.st_ino) {
            ajustaAcessoDe(descritor, percurso.pasta(), false);
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
    Percurso percurso;
    int descritor = -1;
    if (const int codigo = abreSeguro(percurso, nativo(caminho), O_WRONLY | O_APPEND | O_CREAT, 0600, descritor))
        return codigo;
    m_descritor = descritor;
    ajustaAcessoDe(descritor, percurso.pasta());
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
    Percurso percurso;
    if (const int codigo = percurso.inicia(nativo(pasta)))
        return codigo;
    if (::mkdirat(percurso.pasta(), percurso.nome(), 0777) != 0)
        return errno;
    const int feita = ::openat(percurso.pasta(), percurso.nome(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (feita >= 0) {
        ajustaAcessoDe(feita, percurso.pasta());
        ::close(feita);
    }
    return 0;
}

int ajustaAcesso(const QString &caminho, bool somenteLeitura)
{
    Percurso percurso;
    int descritor = -1;
    if (const int codigo = abreSeguro(percurso, nativo(caminho), O_RDONLY | O_NONBLOCK, 0, descritor))
        return codigo;
    ajustaAcessoDe(descritor, percurso.pasta(), true, somenteLeitura);
    ::close(descritor);
    return 0;
}

int confere(const QString &caminho)
{
    Percurso percurso;
    struct stat info
    {
    };
    const int codigo = estadoSeguro(percurso, nativo(caminho), info);
    return codigo == ENOENT ? 0 : codigo;
}

void definePastaConfiavel(const QString &pasta)
{
    const QMutexLocker guarda(&g_travaPastaConfiavel);
    g_pastaConfiavel = pasta;
}

bool pastaDeGrupo(const QString &pasta)
{
    Percurso percurso;
    struct stat info
    {
    };
    return estadoSeguro(percurso, nativo(pasta), info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISGID);
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

bool daMaquina(const QString &)
{
    return true;
}

std::optional<bool> daMaquinaNoDescritor(const QString &, const QStringList &)
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
    Percurso percurso;
    struct stat info
    {
    };
    if (estadoSeguro(percurso, nativo(caminho), info) != 0)
        return false;
    return (info.st_mode & S_IWUSR) == 0;
}

int removeArquivo(const QString &caminho)
{
    // The name itself goes: a link, never what it points to.
    Percurso percurso;
    if (const int codigo = percurso.inicia(nativo(caminho)))
        return codigo;
    return resultado(::unlinkat(percurso.pasta(), percurso.nome(), 0) == 0);
}

int identidade(const QString &caminho, Identidade &resultado)
{
    Percurso percurso;
    struct stat info
    {
    };
    if (const int codigo = estadoSeguro(percurso, nativo(caminho), info))
        return codigo;
    resultado = identidadeDe(info);
    return 0;
}

// Walks to the folders of both names of a rename or a second name.
static int iniciaAmbos(Percurso &de, const QString &origem, Percurso &para, const QString &destino)
{
    if (const int codigo = de.inicia(nativo(origem)))
        return codigo;
    return para.inicia(nativo(destino));
}

int renomeia(const QString &novo, const QString &destino)
{
    Percurso de;
    Percurso para;
    if (const int codigo = iniciaAmbos(de, novo, para, destino))
        return codigo;
    return resultado(::renameat(de.pasta(), de.nome(), para.pasta(), para.nome()) == 0);
}

int renomeiaSemSubstituir(const QString &novo, const QString &destino)
{
    Percurso de;
    Percurso para;
    if (const int codigo = iniciaAmbos(de, novo, para, destino))
        return codigo;
    if (::renameat2(de.pasta(), de.nome(), para.pasta(), para.nome(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system that cannot rename without replacing: a second name,
    // which a name taken refuses as well, then the first one goes.
    if (::linkat(de.pasta(), de.nome(), para.pasta(), para.nome(), 0) != 0)
        return errno;
    ::unlinkat(de.pasta(), de.nome(), 0);
    return 0;
}

int segundoNome(const QString &arquivo, const QString &outro)
{
    Percurso de;
    Percurso para;
    if (const int codigo = iniciaAmbos(de, arquivo, para, outro))
        return codigo;
    return resultado(::linkat(de.pasta(), de.nome(), para.pasta(), para.nome(), 0) == 0);
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

int igualaLeitores(const QString &, const QString &)
{
    return 0;
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
