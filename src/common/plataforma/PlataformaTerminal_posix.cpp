#include "common/plataforma/PlataformaTerminal.h"

#include "common/plataforma/PlataformaArquivos.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace PlataformaTerminal {

namespace {

int descritor(Fluxo fluxo)
{
    return fluxo == Fluxo::Entrada ? STDIN_FILENO : fluxo == Fluxo::Saida ? STDOUT_FILENO : STDERR_FILENO;
}

// Opens /dev/null on `numero`, free now; false when it cannot be opened.
bool abreNulo(int numero)
{
    // The lowest free number is taken: `numero`, as the ones below are open.
    const int aberto = ::open("/dev/null", numero == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (aberto < 0)
        return false;
    if (aberto != numero) {
        ::dup2(aberto, numero);
        ::close(aberto);
    }
    return true;
}

// Does nothing: unlike an ignored signal, a handler is not handed on to the
// programs the process starts (the Jet reader).
extern "C" void semAcao(int)
{
}

} // namespace

QList<QByteArray> argumentosEmBytes(int argc, const char *const argv[])
{
    QList<QByteArray> bytes;
    for (int i = 1; i < argc; ++i)
        bytes.append(QByteArray(argv[i]));
    return bytes;
}

QStringList argumentosEmTexto(const QList<QByteArray> &bytes)
{
    QStringList textos;
    for (const QByteArray &argumento : bytes)
        textos.append(QString::fromLocal8Bit(argumento));
    return textos;
}

Fechados abreFechados()
{
    Fechados fechados;
    bool *const estados[] = {&fechados.entrada, &fechados.saida, &fechados.erro};
    for (int numero = STDIN_FILENO; numero <= STDERR_FILENO; ++numero) {
        if (::fcntl(numero, F_GETFD) != -1 || errno != EBADF)
            continue;
        *estados[numero] = true;
        abreNulo(numero);
    }
    return fechados;
}

void semSinalPipe()
{
    struct sigaction acao
    {
    };
    acao.sa_handler = semAcao;
    acao.sa_flags = SA_RESTART;
    sigemptyset(&acao.sa_mask);
    ::sigaction(SIGPIPE, &acao, nullptr);
}

bool ehTerminal(Fluxo fluxo)
{
    return ::isatty(descritor(fluxo)) == 1;
}

int escreve(Fluxo fluxo, const QByteArray &dados)
{
    return PlataformaArquivos::escreveNoDescritor(descritor(fluxo), dados.constData(), dados.size());
}

int concluiSaida()
{
    const int codigo = std::fflush(stdout) == 0 ? 0 : errno;
    // Closing a copy of the descriptor reports what the system deferred, and
    // standard output stays open for whatever still writes to it at exit.
    const int copia = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (copia < 0)
        return codigo != 0 ? codigo : errno;
    // The copy is released even when close fails: never closed twice.
    if (::close(copia) != 0 && errno != EINTR && codigo == 0)
        return errno;
    return codigo;
}

std::optional<QByteArray> leLinha(std::chrono::milliseconds limite)
{
    const QDeadlineTimer prazo(limite);
    QByteArray linha;
    for (;;) {
        pollfd entrada{STDIN_FILENO, POLLIN, 0};
        const qint64 restante = prazo.remainingTime();
        if (restante <= 0)
            return std::nullopt;
        const int pronto = ::poll(&entrada, 1, static_cast<int>(qMin<qint64>(restante, 60'000)));
        if (pronto < 0 && errno == EINTR)
            continue;
        if (pronto < 0)
            return std::nullopt;
        if (pronto == 0)
            continue; // the deadline is tested above
        // One byte at a time: nothing after the line end is taken from a
        // later question.
        char caractere = 0;
        const ssize_t lidos = ::read(STDIN_FILENO, &caractere, 1);
        if (lidos < 0 && errno == EINTR)
            continue;
        if (lidos <= 0)
            return std::nullopt;
        if (caractere == '\n') {
            if (linha.endsWith('\r'))
                linha.chop(1);
            return linha;
        }
        linha.append(caractere);
    }
}

} // namespace PlataformaTerminal
