// The receive buffer and parser of the server's messages, fed arbitrary bytes
// in arbitrary arrival chunks. The first bytes of the input choose the chunk
// sizes; the rest is the stream.
#include "transfer/MensagensServidor.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void falha(const char *motivo)
{
    std::fprintf(stderr, "invariante violada: %s\n", motivo);
    std::abort();
}

void confere(const MensagemServidor &m, const QByteArray &fluxo, qsizetype &posicao)
{
    if (m.texto.size() < 15)
        falha("mensagem mais curta que a parte fixa");
    if (m.texto.left(8).toLower() != "received")
        falha("mensagem sem \"Received\" no início");
    if (LeitorMensagens::codigoDe(m.texto.mid(9, 6)) != m.codigo)
        falha("código diferente dos caracteres 10-15");
    switch (m.codigo) {
    case MensagemServidor::Codigo::Pacote:
        if (m.argumento && (*m.argumento < -32768 || *m.argumento > 32767))
            falha("argumento de PACKET fora de 16 bits");
        break;
    case MensagemServidor::Codigo::Pendencia:
        if (m.argumento && (*m.argumento < 0 || *m.argumento > 255))
            falha("argumento de PEND~# fora de 0-255");
        break;
    default:
        if (m.argumento)
            falha("argumento num código que não o tem");
    }
    // Messages are slices of the stream, in order, never overlapping.
    const qsizetype onde = fluxo.indexOf(m.texto, posicao);
    if (onde < 0)
        falha("mensagem que não é um trecho do fluxo, na ordem");
    posicao = onde + m.texto.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *dados, std::size_t tamanho)
{
    if (tamanho < 1)
        return 0;
    // Byte 0: how many chunk-size bytes follow (0-7); each chunk size is 1-256.
    const std::size_t quantosTamanhos = std::min<std::size_t>(dados[0] % 8, tamanho - 1);
    const std::uint8_t *tamanhos = dados + 1;
    const char *fluxoBruto = reinterpret_cast<const char *>(dados + 1 + quantosTamanhos);
    const qsizetype total = static_cast<qsizetype>(tamanho - 1 - quantosTamanhos);
    const QByteArray fluxo(fluxoBruto, total);

    LeitorMensagens leitor;
    qsizetype entregue = 0;
    qsizetype consumidoEmMensagens = 0;
    qsizetype posicao = 0;
    std::size_t pedaco = 0;
    while (entregue < total) {
        const qsizetype n = quantosTamanhos == 0
                                ? total
                                : std::min<qsizetype>(total - entregue, tamanhos[pedaco++ % quantosTamanhos] + 1);
        leitor.acrescenta(fluxo.mid(entregue, n));
        entregue += n;
        // Each message takes at least 15 bytes: the loop ends.
        for (qsizetype voltas = 0;; ++voltas) {
            if (voltas > total / 15 + 1)
                falha("mais mensagens do que os bytes permitem");
            const std::optional<MensagemServidor> m = leitor.proxima();
            if (!m)
                break;
            confere(*m, fluxo, posicao);
            consumidoEmMensagens += m->texto.size();
        }
        if (leitor.pendentes() < 0 || consumidoEmMensagens + leitor.pendentes() > entregue)
            falha("bytes pendentes além do que chegou");
        // What waits is either a message still short of its fixed part or
        // argument, or at most the start of a "Received".
        // What waits is a message still short of its fixed part or argument
        // (it begins with "Received"), or at most the first 7 bytes of one.
        const QByteArray resto = fluxo.mid(entregue - leitor.pendentes(), leitor.pendentes());
        if (resto.size() > 7 && resto.left(8).toLower() != "received")
            falha("bytes pendentes que não começam uma mensagem");
        // A whole message never waits: 15 bytes make one, 17 one with an
        // argument, plus what may be the start of the next "Received".
        if (resto.size() >= 15) {
            const auto codigo = LeitorMensagens::codigoDe(resto.mid(9, 6));
            const bool comArgumento =
                codigo == MensagemServidor::Codigo::Pacote || codigo == MensagemServidor::Codigo::Pendencia;
            if (!comArgumento || resto.size() > 16 + 7)
                falha("mensagem completa retida no buffer");
        }
    }

    // The number reader alone, over the same bytes and every range edge.
    const std::optional<int> a = LeitorMensagens::leArgumento(fluxo, -32768, 32767);
    if (a && (*a < -32768 || *a > 32767))
        falha("leArgumento fora do intervalo");
    const std::optional<int> b = LeitorMensagens::leArgumento(fluxo, 0, 255);
    if (b && (*b < 0 || *b > 255))
        falha("leArgumento fora do intervalo 0-255");
    if (b && (!a || *a != *b))
        falha("leArgumento lê o mesmo texto de dois modos");
    return 0;
}
