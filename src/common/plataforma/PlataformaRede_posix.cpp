#include "common/plataforma/PlataformaRede.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace PlataformaRede {

Testemunha::Testemunha(qintptr descritor)
{
    if (descritor >= 0)
        m_fd = ::fcntl(static_cast<int>(descritor), F_DUPFD_CLOEXEC, 0);
}

Testemunha::~Testemunha()
{
    if (m_fd >= 0)
        ::close(static_cast<int>(m_fd));
}

qint64 Testemunha::naoConfirmados() const
{
    int bytes = 0;
    if (m_fd < 0 || ::ioctl(static_cast<int>(m_fd), SIOCOUTQ, &bytes) != 0)
        return -1;
    return bytes;
}

Testemunha::Entrega Testemunha::entrega() const
{
    tcp_info info{};
    socklen_t tamanho = sizeof info;
    const qint64 pendentes = naoConfirmados();
    if (pendentes < 0 || ::getsockopt(static_cast<int>(m_fd), IPPROTO_TCP, TCP_INFO, &info, &tamanho) != 0)
        return Entrega::Desconhecida;
    switch (info.tcpi_state) {
    case TCP_ESTABLISHED:
    case TCP_CLOSE_WAIT: // the other side closed after reading: a clean close
        return pendentes == 0 ? Entrega::Entregue : Entrega::EmCurso;
    case TCP_CLOSE: // reset: what the other side had not read is gone
        return Entrega::Perdida;
    default:
        return pendentes == 0 ? Entrega::Entregue : Entrega::EmCurso;
    }
}

} // namespace PlataformaRede
