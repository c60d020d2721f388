#include "transfer/MensagensServidor.h"

namespace {

const QByteArray kMarca = QByteArrayLiteral("received");
constexpr qsizetype kParteFixa = 15;
constexpr qsizetype kInicioArgumento = 16;

qsizetype procuraMarca(const QByteArray &buffer, qsizetype desde)
{
    return buffer.toLower().indexOf(kMarca, desde);
}

// Length of the longest tail of `buffer`, starting at or after `desde`,
// that could be the beginning of a "Received" still on its way.
qsizetype comecoDeMarcaNoFim(const QByteArray &buffer, qsizetype desde)
{
    const QByteArray minusculo = buffer.toLower();
    for (qsizetype n = kMarca.size() - 1; n > 0; --n) {
        if (minusculo.size() - n >= desde && minusculo.endsWith(kMarca.left(n)))
            return n;
    }
    return 0;
}

bool temArgumento(MensagemServidor::Codigo codigo)
{
    return codigo == MensagemServidor::Codigo::Pacote || codigo == MensagemServidor::Codigo::Pendencia;
}

} // namespace

void LeitorMensagens::acrescenta(const QByteArray &dados)
{
    m_buffer.append(dados);
}

void LeitorMensagens::descartaAteMarca()
{
    const qsizetype inicio = procuraMarca(m_buffer, 0);
    if (inicio == 0)
        return;
    if (inicio > 0) {
        m_buffer.remove(0, inicio);
        return;
    }
    const qsizetype guarda = comecoDeMarcaNoFim(m_buffer, 0);
    m_buffer = m_buffer.right(guarda);
}

MensagemServidor::Codigo LeitorMensagens::codigoDe(const QByteArray &seisCaracteres)
{
    const QByteArray codigo = seisCaracteres.toLower();
    if (codigo == "packet")
        return MensagemServidor::Codigo::Pacote;
    if (codigo == "pend~#")
        return MensagemServidor::Codigo::Pendencia;
    if (codigo == "denied")
        return MensagemServidor::Codigo::Negado;
    if (codigo == "accept")
        return MensagemServidor::Codigo::Aceito;
    if (codigo == "kickh#")
        return MensagemServidor::Codigo::Expulsao;
    return MensagemServidor::Codigo::Desconhecido;
}

std::optional<int> LeitorMensagens::leArgumento(const QByteArray &texto, int minimo, int maximo)
{
    QByteArray limpo = texto;
    limpo.replace('\0', ' ');
    limpo = limpo.trimmed();
    qsizetype i = 0;
    const bool negativo = !limpo.isEmpty() && limpo.at(0) == '-';
    if (!limpo.isEmpty() && (limpo.at(0) == '-' || limpo.at(0) == '+'))
        i = 1;
    if (i >= limpo.size())
        return std::nullopt;
    long long valor = 0;
    for (; i < limpo.size(); ++i) {
        const char c = limpo.at(i);
        if (c < '0' || c > '9')
            return std::nullopt;
        valor = valor * 10 + (c - '0');
        if (valor > 1000000)
            return std::nullopt; // far out of any range the protocol uses
    }
    if (negativo)
        valor = -valor;
    if (valor < minimo || valor > maximo)
        return std::nullopt;
    return static_cast<int>(valor);
}

std::optional<MensagemServidor> LeitorMensagens::proxima()
{
    descartaAteMarca();
    if (m_buffer.size() < kParteFixa)
        return std::nullopt;

    MensagemServidor mensagem;
    mensagem.codigo = codigoDe(m_buffer.mid(9, 6));
    const bool comArgumento = temArgumento(mensagem.codigo);

    qsizetype fim = procuraMarca(m_buffer, kParteFixa);
    if (fim < 0) {
        // The last message of the buffer; a tail that may be the start of
        // the next "Received" stays for the next arrival.
        fim = m_buffer.size() - comecoDeMarcaNoFim(m_buffer, kParteFixa);
        if (comArgumento && fim <= kInicioArgumento)
            return std::nullopt;
    }
    mensagem.texto = m_buffer.left(fim);
    m_buffer.remove(0, fim);

    if (mensagem.codigo == MensagemServidor::Codigo::Pacote)
        mensagem.argumento = leArgumento(mensagem.texto.mid(kInicioArgumento), -32768, 32767);
    else if (mensagem.codigo == MensagemServidor::Codigo::Pendencia)
        mensagem.argumento = leArgumento(mensagem.texto.mid(kInicioArgumento), 0, 255);
    return mensagem;
}
