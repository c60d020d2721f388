#pragma once

#include <QByteArray>

#include <optional>

// The server's messages as the client reads them:
//   characters 1-8  "Received" (any case)
//   9               a separator, not checked
//   10-15           a six-character code (any case)
//   16              a separator, not checked
//   17-             the argument of "PACKET" and "PEND~#": a whole number
//
// TCP keeps no message boundaries, so the bytes of one arrival may hold two
// messages or part of one. The reader keeps what arrived in a buffer, cuts it
// where a new "Received" begins, and keeps a message back while it is shorter
// than its fixed part (15 characters; 17 when the code takes an argument).
// The protocol has no terminator: an argument cut inside its digits cannot be
// told from a whole one, and is read as it stands.
struct MensagemServidor
{
    enum class Codigo { Pacote, Pendencia, Negado, Aceito, Expulsao, Desconhecido };

    Codigo codigo = Codigo::Desconhecido;
    // "PACKET": the granted packet size, 16-bit signed. "PEND~#": 0 to 255.
    // Empty when the argument is not a whole number in that range: such a
    // message is malformed, and the client ignores it as it ignores an
    // unknown code.
    std::optional<int> argumento;
    QByteArray texto;
};

class LeitorMensagens
{
public:
    void acrescenta(const QByteArray &dados);
    // The next whole message, or nothing until more data arrives. Bytes
    // that do not begin with "Received" are dropped.
    std::optional<MensagemServidor> proxima();
    void limpa() { m_buffer.clear(); }
    qsizetype pendentes() const { return m_buffer.size(); }

    // The code of characters 10-15, compared without regard to case.
    static MensagemServidor::Codigo codigoDe(const QByteArray &seisCaracteres);
    // A whole number in [minimo, maximo], blanks around it allowed.
    static std::optional<int> leArgumento(const QByteArray &texto, int minimo, int maximo);

private:
    void descartaAteMarca();
    QByteArray m_buffer;
};
