#pragma once

#include <QtGlobal>

// What the system knows of a TCP connection that the program's socket does
// not tell: whether the bytes handed to the system reached the other side.
// A send is complete only when they did; bytes still queued here are lost
// if the server drops the connection now.
namespace PlataformaRede {

// A second handle on a connected socket. The socket's own handle is closed
// as soon as the peer closes the connection; this one keeps the
// connection's state readable until it is let go (and the connection with
// it: it must go when the socket is closed).
class Testemunha
{
public:
    enum class Entrega {
        EmCurso,     // bytes still wait for the other side's acknowledgement
        Entregue,    // every byte was acknowledged, and the other side did not reset the connection
        Perdida,     // the other side reset the connection: it discarded what it had not read
        Desconhecida // the system does not say (Windows before 10 1703, Wine)
    };

    explicit Testemunha(qintptr descritor);
    ~Testemunha();
    Testemunha(const Testemunha &) = delete;
    Testemunha &operator=(const Testemunha &) = delete;

    Entrega entrega() const;
    // Bytes handed to the system and not yet acknowledged (Windows: sent and
    // not yet acknowledged); -1 when unknown.
    qint64 naoConfirmados() const;

private:
    qintptr m_fd = -1; // a descriptor, or a Windows SOCKET
};

} // namespace PlataformaRede
