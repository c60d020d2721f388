#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

// One raw deflate stream (the data of a ZIP entry) made on every core.
//
// The input is cut into blocks of one size (the last one shorter). A worker
// deflates each block on its own, primed with the 32 KiB of input before it
// as its dictionary, so that matches reach back across the cut as in a
// single stream. Every block but the last ends on a byte boundary with an
// empty stored block (what a sync flush leaves) and without the final mark,
// so the blocks, handed out in order, make one valid stream; only the last
// one is final. The blocks' CRC-32s are combined into the input's.
//
// The input is read and the stream handed out on the calling thread; only
// the deflating runs on the workers, threads that live as long as the
// object. With one worker, or when the system makes no thread, none is
// started: the calling thread deflates each block as it is asked for. Memory stays bounded whatever the input's size:
// at most two blocks per worker, and with threads four more, are held at a
// time (read ahead, being compressed, or waiting to be handed out). The stream is the same bytes
// whatever the number of workers.
class CompressaoParalela
{
public:
    // Reads at most `tamanho` bytes of input into `dados`: how many it read,
    // 0 at the end of the input, or -1 with an errno number in `erro`.
    using Leitor = std::function<qint64(char *dados, qint64 tamanho, int &erro)>;

    static constexpr qint64 kBlocoPadrao = 256 * 1024;

    struct Opcoes
    {
        int nivel = 3;                      // zlib's level, 1 fastest … 9 smallest
        qint64 tamanhoBloco = kBlocoPadrao; // input bytes per block, 1 byte to 64 MiB
        int trabalhadores = 0;              // 0: trabalhadoresPadrao()
    };

    enum class Falha {
        Nenhuma,
        Leitura,    // the reader failed; codigoFalha() is its errno number
        Compressao, // zlib refused (out of memory); codigoFalha() is zlib's code
        Prazo,      // a block took longer than any block can (two minutes)
    };

    // How many workers compress when none is asked for: the environment
    // variable TAVO_ZIP_TRABALHADORES when it holds a whole number from 1
    // (at most 64), else one per core (QThread::idealThreadCount()).
    static int trabalhadoresPadrao();

    CompressaoParalela(Leitor leitor, Opcoes opcoes);
    // Stops the workers; each one ends after the block it is on at most.
    ~CompressaoParalela();
    CompressaoParalela(const CompressaoParalela &) = delete;
    CompressaoParalela &operator=(const CompressaoParalela &) = delete;

    // Copies the next bytes of the stream into `dados`, at most `tamanho`
    // and never past the end of a block: how many, 0 once the whole stream
    // has been handed out, -1 after a failure (see falha()).
    qint64 le(char *dados, qint64 tamanho);

    // Input bytes whose compressed form le() has handed out, counted pro
    // rata within a block: the job's true progress, up to the input's size.
    qint64 entradaEntregue() const;

    // Once le() has returned 0: the CRC-32 of the whole input, its size and
    // the stream's size.
    bool concluida() const;
    quint32 crc() const;
    qint64 tamanhoEntrada() const;
    qint64 tamanhoSaida() const;

    Falha falha() const;
    int codigoFalha() const;

    int trabalhadores() const;
    // The most blocks held at once so far.
    int maximoBlocosRetidos() const;

private:
    struct Estado;
    std::unique_ptr<Estado> d;
};
