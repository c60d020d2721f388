#include "package/ArquivosTrabalho.h"

#include "common/Caminhos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <optional>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FalhasArquivo::Injetor &injetor()
{
    static FalhasArquivo::Injetor i;
    return i;
}

int falhaInjetada(const QString &destino)
{
    return injetor() ? injetor()(destino) : 0;
}

QByteArray nativo(const QString &caminho)
{
    return QFile::encodeName(caminho);
}

bool terminaEmSeparador(const QString &caminho)
{
    return caminho.endsWith(QLatin1Char('\\')) || caminho.endsWith(QLatin1Char('/'));
}

// Creates the folder and the missing folders above it.
void criaPasta(const QString &pasta)
{
    if (QFileInfo(pasta).isDir())
        return;
    const QString acima = QFileInfo(pasta).absolutePath();
    if (acima != pasta)
        criaPasta(acima);
    if (::mkdir(nativo(pasta).constData(), 0777) != 0 && errno != EEXIST)
        throw erroDoSistema(errno, pasta);
    if (!QFileInfo(pasta).isDir())
        throw erroDoSistema(ENOTDIR, pasta);
}

// A file whose owner may not write to it: the read-only attribute.
bool somenteLeitura(const QString &caminho)
{
    struct stat info {};
    if (::stat(nativo(caminho).constData(), &info) != 0)
        return false;
    return (info.st_mode & S_IWUSR) == 0;
}

class Descritor
{
public:
    explicit Descritor(int fd) : m_fd(fd) {}
    ~Descritor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descritor(const Descritor &) = delete;
    Descritor &operator=(const Descritor &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

int abreLeitura(const QString &caminho)
{
    const QFileInfo info(caminho);
    if (!info.exists() || info.isDir())
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + caminho);
    const int fd = ::open(nativo(caminho).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw erroDoSistema(errno, caminho);
    return fd;
}

} // namespace

ErroTavo erroDoSistema(int codigo, const QString &caminho)
{
    const QString sistema = QString::fromLocal8Bit(std::strerror(codigo));
    switch (codigo) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErroTavo(Erros::DiscoCheio, QStringLiteral("Não há espaço suficiente no disco (") + caminho + QLatin1Char(')'));
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
        return ErroTavo(Erros::AcessoArquivo, QStringLiteral("Erro de acesso ao caminho/arquivo: ") + caminho + QStringLiteral(" (")
                                                  + sistema + QLatin1Char(')'));
    case ENOENT:
    case ENOTDIR:
        return ErroTavo(Erros::CaminhoNaoEncontrado, QStringLiteral("Caminho não encontrado: ") + caminho);
    default:
        return ErroTavo(Erros::FalhaArquivo, QStringLiteral("Erro de E/S no dispositivo: ") + caminho + QStringLiteral(" (")
                                                 + sistema + QLatin1Char(')'));
    }
}

GravacaoAtomica::GravacaoAtomica(const QString &destinoLocal, Midia midia)
    : m_destino(destinoLocal)
    , m_midia(midia)
{
    const QFileInfo info(destinoLocal);
    const QString pasta = info.absolutePath();
    if (!QFileInfo(pasta).isDir())
        throw erroDoSistema(ENOENT, pasta);
    if (info.isDir())
        throw erroDoSistema(EISDIR, destinoLocal);
    if (const int codigo = falhaInjetada(destinoLocal))
        throw falha(codigo);
    // The working folder holds only intermediate files (floppy pieces, a
    // package joined or copied from disks, its unpacked database), each made
    // again from its source when lost. Flushing them to the disk made cutting
    // and joining a package several times slower than the plain copy, for
    // pieces that are deleted moments later; a full local disk is reported
    // by the writes themselves.
    m_descarrega = !NaPastaTrabalho(destinoLocal);
    // The temporary name sorts after the real names of a file list, so a
    // leftover of a crash is never taken for a piece or a package.
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        const QString candidato = pasta + QStringLiteral("/~") + info.fileName() + QStringLiteral(".tmp")
                                  + QString::number(QRandomGenerator::global()->generate() % 1000000u);
        const int fd = ::open(nativo(candidato).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporario = candidato;
            return;
        }
        if (errno != EEXIST)
            throw falha(errno);
    }
    throw erroDoSistema(EEXIST, destinoLocal);
}

ErroTavo GravacaoAtomica::falha(int codigo) const
{
    if (m_midia == Midia::Removivel && (codigo == EROFS || codigo == EACCES || codigo == EPERM))
        return ErroTavo(Erros::DiscoCheio, QStringLiteral("A mídia recusou a gravação: ") + m_destino + QStringLiteral(" (")
                                               + QString::fromLocal8Bit(std::strerror(codigo)) + QLatin1Char(')'));
    return erroDoSistema(codigo, m_destino);
}

GravacaoAtomica::~GravacaoAtomica()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_concluida && !m_temporario.isEmpty())
        ::unlink(nativo(m_temporario).constData());
}

void GravacaoAtomica::escreve(const char *dados, qint64 tamanho)
{
    if (const int codigo = falhaInjetada(m_destino))
        throw falha(codigo);
    qint64 feitos = 0;
    while (feitos < tamanho) {
        const ssize_t n = ::write(m_fd, dados + feitos, static_cast<size_t>(tamanho - feitos));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw falha(errno);
        }
        feitos += n;
    }
    m_escritos += feitos;
}

void GravacaoAtomica::conclui()
{
    // Some media report a full disk only when the data is flushed.
    if (m_descarrega && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        throw falha(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        throw falha(errno);
    if (::rename(nativo(m_temporario).constData(), nativo(m_destino).constData()) != 0)
        throw falha(errno);
    m_concluida = true;
}

namespace {

// Reads an open file to its end in 1 MiB blocks, handing each to `aCadaBloco`.
template<typename F>
void leEmBlocos(const Descritor &entrada, const QString &caminhoLocal, F &&aCadaBloco)
{
    QByteArray bloco(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(entrada.fd(), bloco.data(), static_cast<size_t>(bloco.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw erroDoSistema(errno, caminhoLocal);
        }
        if (n == 0)
            return;
        aCadaBloco(bloco.constData(), n);
    }
}

void copia(const QString &origem, const QString &destino, GravacaoAtomica::Midia midia)
{
    const QString origemLocal = Caminhos::local(origem);
    const QString destinoLocal = Caminhos::local(terminaEmSeparador(destino) ? destino + Caminhos::nomeArquivo(origem)
                                                                             : destino);
    const Descritor entrada(abreLeitura(origemLocal));
    GravacaoAtomica saida(destinoLocal, midia);
    leEmBlocos(entrada, origemLocal, [&](const char *dados, ssize_t n) { saida.escreve(dados, n); });
    // A medium taken out while the copy was made leaves it nowhere, or on
    // the local folder it was mounted on: such a copy does not count.
    if (midia == GravacaoAtomica::Midia::Removivel && !Caminhos::disquete().presente)
        throw erroDoSistema(ENOENT, destinoLocal);
    saida.conclui();
}

} // namespace

void CopiaArquivo(const QString &origem, const QString &destino)
{
    copia(origem, destino, GravacaoAtomica::Midia::Fixa);
}

void CopiaParaMidia(const QString &origem, const QString &destino)
{
    copia(origem, destino, GravacaoAtomica::Midia::Removivel);
}

void LimpaPastaTemp(const QString &preservar)
{
    const QString pasta = Caminhos::local(Caminhos::pastaTrabalho());
    if (!QFileInfo(pasta).isDir()) {
        criaPasta(pasta);
        return;
    }
    const QString mantido = preservar.isEmpty() ? QString() : QFileInfo(preservar).canonicalFilePath();
    const QStringList arquivos = QDir(pasta).entryList(QDir::Files | QDir::Hidden | QDir::System);
    // Every file is tried; the first failure is reported after the others are gone.
    std::optional<ErroTavo> primeiraFalha;
    for (const QString &nome : arquivos) {
        const QString caminho = pasta + QLatin1Char('/') + nome;
        if (!mantido.isEmpty() && QFileInfo(caminho).canonicalFilePath() == mantido)
            continue;
        try {
            RemoveArquivo(caminho);
        } catch (const ErroTavo &erro) {
            if (!primeiraFalha)
                primeiraFalha = erro;
        }
    }
    if (primeiraFalha)
        throw *primeiraFalha;
}

void RemoveArquivo(const QString &caminho)
{
    const QString local = Caminhos::local(caminho);
    if (!QFileInfo::exists(local) && !QFileInfo(local).isSymLink())
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + caminho);
    if (somenteLeitura(local))
        throw erroDoSistema(EACCES, caminho);
    if (::unlink(nativo(local).constData()) != 0)
        throw erroDoSistema(errno, caminho);
}

qint64 LeEmBlocos(const QString &caminho, const std::function<void(const char *dados, qint64 tamanho)> &aCadaBloco)
{
    const QString local = Caminhos::local(caminho);
    const Descritor entrada(abreLeitura(local));
    qint64 lidos = 0;
    leEmBlocos(entrada, local, [&](const char *bloco, ssize_t n) {
        aCadaBloco(bloco, n);
        lidos += n;
    });
    return lidos;
}

bool NaPastaTrabalho(const QString &caminhoLocal)
{
    const QString pasta = QFileInfo(Caminhos::local(Caminhos::pastaTrabalho())).canonicalFilePath();
    const QString dono = QFileInfo(QFileInfo(caminhoLocal).absolutePath()).canonicalFilePath();
    return !pasta.isEmpty() && pasta == dono;
}

namespace FalhasArquivo {

void instala(Injetor novo)
{
    injetor() = std::move(novo);
}

void remove()
{
    injetor() = nullptr;
}

} // namespace FalhasArquivo
