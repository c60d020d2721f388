#include "common/PlataformaTerminal.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace PlataformaTerminal {

bool ehTerminal(Fluxo fluxo)
{
    const int descritor = fluxo == Fluxo::Entrada ? STDIN_FILENO
                          : fluxo == Fluxo::Saida ? STDOUT_FILENO
                                                  : STDERR_FILENO;
    return ::isatty(descritor) == 1;
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
