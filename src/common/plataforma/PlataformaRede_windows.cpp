// SIO_TCP_INFO and TCP_INFO_v0 are Windows 10 1703's.
#define _WIN32_WINNT 0x0A00
#define NTDDI_VERSION 0x0A000003

#include "common/plataforma/PlataformaRede.h"

#include <winsock2.h>
// After winsock2.h:
#include <mstcpip.h>
#include <windows.h>

namespace PlataformaRede {

namespace {

// The connection's state as Windows tells it; false where it does not
// (before Windows 10 1703, and Wine).
bool leEstado(qintptr soquete, TCP_INFO_v0 &info)
{
    if (soquete < 0)
        return false;
    DWORD versao = 0;
    DWORD tamanho = 0;
    return ::WSAIoctl(static_cast<SOCKET>(soquete), SIO_TCP_INFO, &versao, sizeof versao, &info, sizeof info, &tamanho,
                      nullptr, nullptr)
               == 0
           && tamanho >= sizeof info;
}

} // namespace

Testemunha::Testemunha(qintptr descritor)
{
    if (descritor < 0)
        return;
    // A second socket of the same connection, as Windows duplicates one for
    // a process (this one).
    WSAPROTOCOL_INFOW protocolo{};
    if (::WSADuplicateSocketW(static_cast<SOCKET>(descritor), ::GetCurrentProcessId(), &protocolo) != 0)
        return;
    const SOCKET copia = ::WSASocketW(FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, &protocolo, 0,
                                      WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (copia != INVALID_SOCKET)
        m_fd = static_cast<qintptr>(copia);
}

Testemunha::~Testemunha()
{
    if (m_fd >= 0)
        ::closesocket(static_cast<SOCKET>(m_fd));
}

qint64 Testemunha::naoConfirmados() const
{
    TCP_INFO_v0 info{};
    return leEstado(m_fd, info) ? qint64(info.BytesInFlight) : -1;
}

Testemunha::Entrega Testemunha::entrega() const
{
    TCP_INFO_v0 info{};
    if (!leEstado(m_fd, info))
        return Entrega::Desconhecida;
    const bool pendentes = info.BytesInFlight != 0;
    switch (info.State) {
    case TCPSTATE_CLOSED: // reset: what the other side had not read is gone
        return Entrega::Perdida;
    default:
        return pendentes ? Entrega::EmCurso : Entrega::Entregue;
    }
}

} // namespace PlataformaRede
