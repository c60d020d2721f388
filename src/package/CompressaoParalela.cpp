#include "package/CompressaoParalela.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>
#include <zlib.h>

namespace {

// deflate reaches back at most 32 KiB: that much input before a block is
// its dictionary.
constexpr qint64 kJanela = 32 * 1024;
// Blocks held per worker: one being compressed, one read ahead or waiting
// to be handed out.
constexpr int kBlocosPorTrabalhador = 2;
// With threads, a few blocks more read ahead: the calling thread, which
// reads the blocks and hands out the stream, shares the cores with the
// workers, and while it waits for one of them the others would run dry
// (seen on 2 cores: 0.78 s with none, 0.64-0.68 s with 2 to 8 for 53 MB).
constexpr int kBlocosFolga = 4;
// A block of 64 MiB deflates in well under a second: a worker that takes
// this long has stopped.
constexpr int kPrazoBlocoMs = 120 * 1000;
constexpr int kMaximoTrabalhadores = 64;
constexpr qint64 kMaximoBloco = 64 * 1024 * 1024;
// zlib's default: the hash tables the deflate of a single stream would use.
constexpr int kMemoriaZlib = 8;

enum class EstadoBloco {
    Livre,
    AComprimir,
    Comprimindo,
    Pronto,
};

struct Bloco
{
    // The dictionary (`dicionario` bytes of input just before the block)
    // followed by the block's `tamanho` bytes, and one byte of room: the
    // reader is asked for one byte more than a block, which tells whether
    // input follows it.
    QByteArray dados;
    qint64 dicionario = 0;
    qint64 tamanho = 0;
    qint64 inicio = 0; // offset of the block in the input
    bool ultimo = false;
    QByteArray saida;
    qint64 tamanhoSaida = 0;
    qint64 entregue = 0; // bytes of `saida` handed out
    quint32 crc = 0;
    int resultado = Z_OK;
    EstadoBloco estado = EstadoBloco::Livre;
};

// One worker's deflate state, set up once and reset for every block.
class Deflate
{
public:
    explicit Deflate(int nivel)
    {
        m_pronto = deflateInit2(&m_z, nivel, Z_DEFLATED, -MAX_WBITS, kMemoriaZlib, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~Deflate()
    {
        if (m_pronto)
            deflateEnd(&m_z);
    }
    Deflate(const Deflate &) = delete;
    Deflate &operator=(const Deflate &) = delete;

    // Deflates the block into its `saida`; zlib's result, Z_OK when done.
    int comprime(Bloco &bloco) noexcept
    {
        try {
            return comprimeOuLanca(bloco);
        } catch (...) { // out of memory growing the output
            return Z_MEM_ERROR;
        }
    }

private:
    int comprimeOuLanca(Bloco &bloco)
    {
        if (!m_pronto)
            return Z_MEM_ERROR;
        auto *dados = reinterpret_cast<Bytef *>(bloco.dados.data());
        int r = deflateReset(&m_z);
        if (r == Z_OK && bloco.dicionario > 0)
            r = deflateSetDictionary(&m_z, dados, static_cast<uInt>(bloco.dicionario));
        if (r != Z_OK)
            return r;
        Bytef *entrada = dados + bloco.dicionario;
        bloco.crc = static_cast<quint32>(crc32_z(crc32(0, nullptr, 0), entrada, static_cast<z_size_t>(bloco.tamanho)));

        // Room for the block in one pass; a flush may take a few bytes more
        // than the bound, and the buffer grows if it ever must.
        const qint64 limite = static_cast<qint64>(deflateBound(&m_z, static_cast<uLong>(bloco.tamanho))) + 64;
        if (bloco.saida.size() < limite)
            bloco.saida.resize(limite);
        m_z.next_in = entrada;
        m_z.avail_in = static_cast<uInt>(bloco.tamanho);
        m_z.next_out = reinterpret_cast<Bytef *>(bloco.saida.data());
        m_z.avail_out = static_cast<uInt>(bloco.saida.size());
        // The last block ends the stream; any other ends on a byte boundary,
        // not final, so that the next block's output can follow it.
        const int descarga = bloco.ultimo ? Z_FINISH : Z_SYNC_FLUSH;
        for (;;) {
            r = deflate(&m_z, descarga);
            if (r == Z_STREAM_ERROR)
                return r;
            if (bloco.ultimo ? r == Z_STREAM_END : (m_z.avail_in == 0 && m_z.avail_out > 0))
                break;
            if (m_z.avail_out != 0)
                return Z_BUF_ERROR;
            const qint64 feitos = static_cast<qint64>(m_z.total_out);
            bloco.saida.resize(bloco.saida.size() * 2);
            m_z.next_out = reinterpret_cast<Bytef *>(bloco.saida.data()) + feitos;
            m_z.avail_out = static_cast<uInt>(bloco.saida.size() - feitos);
        }
        bloco.tamanhoSaida = static_cast<qint64>(m_z.total_out);
        return Z_OK;
    }

    z_stream m_z{};
    bool m_pronto = false;
};

} // namespace

struct CompressaoParalela::Estado
{
    Leitor leitor;
    int nivel = 3;
    qint64 tamanhoBloco = kBlocoPadrao;
    int trabalhadores = 1;
    // A ring: block number n lives in blocos[n % blocos.size()].
    std::vector<Bloco> blocos;

    // Shared with the workers, under `mutex`: the blocks' states and results,
    // `lidos`, `tomados`, `encerrar`.
    QMutex mutex;
    QWaitCondition haTrabalho;
    QWaitCondition blocoPronto;
    qint64 lidos = 0;   // blocks read
    qint64 tomados = 0; // blocks a compressor took
    bool encerrar = false;

    // The calling thread's alone.
    qint64 entregues = 0; // blocks handed out whole
    bool fimEntrada = false;
    bool temExcedente = false;
    char excedente = 0; // the input's byte after the last block read
    qint64 posicao = 0; // input bytes in the blocks read
    qint64 entradaEntregue = 0;
    qint64 tamanhoEntrada = 0;
    qint64 tamanhoSaida = 0;
    quint32 crc = 0;
    bool concluida = false;
    Falha falha = Falha::Nenhuma;
    int codigoFalha = 0;
    int maximoRetidos = 0;
    std::unique_ptr<Deflate> deflateLocal; // with one worker, the calling thread's

    // The workers that did start.
    std::vector<std::unique_ptr<QThread>> threads;

    void trabalha();
    bool enfileira();
    bool leBloco(Bloco &bloco, const Bloco *anterior);
    bool aguarda(Bloco &bloco);
    void falhou(Falha tipo, int codigo)
    {
        falha = tipo;
        codigoFalha = codigo;
    }
};

int CompressaoParalela::trabalhadoresPadrao()
{
    bool ok = false;
    const int pedido = qEnvironmentVariableIntValue("TAVO_ZIP_TRABALHADORES", &ok);
    if (ok && pedido >= 1)
        return std::min(pedido, kMaximoTrabalhadores);
    return std::max(1, QThread::idealThreadCount());
}

CompressaoParalela::CompressaoParalela(Leitor leitor, Opcoes opcoes)
    : d(std::make_unique<Estado>())
{
    d->leitor = std::move(leitor);
    d->nivel = opcoes.nivel;
    d->tamanhoBloco = std::clamp<qint64>(opcoes.tamanhoBloco, 1, kMaximoBloco);
    d->trabalhadores =
        std::clamp(opcoes.trabalhadores > 0 ? opcoes.trabalhadores : trabalhadoresPadrao(), 1, kMaximoTrabalhadores);
    d->crc = static_cast<quint32>(crc32(0, nullptr, 0));
    d->blocos.resize(
        static_cast<size_t>(kBlocosPorTrabalhador * d->trabalhadores + (d->trabalhadores > 1 ? kBlocosFolga : 0)));
    // A thread the system cannot make (no memory for its stack, the
    // process's limit of threads) is one worker fewer; with none, the
    // calling thread deflates. A pool would count it as running and wait
    // for it for ever.
    for (int i = 0; d->trabalhadores > 1 && i < d->trabalhadores; ++i) {
        std::unique_ptr<QThread> thread(QThread::create([estado = d.get()] { estado->trabalha(); }));
        thread->start();
        if (!thread->isRunning())
            break;
        d->threads.push_back(std::move(thread));
    }
    if (d->threads.empty()) {
        d->trabalhadores = 1;
        d->deflateLocal = std::make_unique<Deflate>(d->nivel);
        return;
    }
    d->trabalhadores = static_cast<int>(d->threads.size());
}

CompressaoParalela::~CompressaoParalela()
{
    {
        const QMutexLocker trava(&d->mutex);
        d->encerrar = true;
        d->haTrabalho.wakeAll();
    }
    // Bounded: a worker looks at `encerrar` before every block, and a
    // block's deflate always ends.
    for (const std::unique_ptr<QThread> &thread : d->threads)
        thread->wait();
}

void CompressaoParalela::Estado::trabalha()
{
    Deflate deflate(nivel);
    QMutexLocker trava(&mutex);
    for (;;) {
        // Waits for work as long as the object lives; the destructor wakes it.
        while (!encerrar && tomados == lidos)
            haTrabalho.wait(&mutex);
        if (encerrar)
            return;
        Bloco &bloco = blocos[static_cast<size_t>(tomados % qint64(blocos.size()))];
        ++tomados;
        bloco.estado = EstadoBloco::Comprimindo;
        trava.unlock();
        const int resultado = deflate.comprime(bloco);
        trava.relock();
        bloco.resultado = resultado;
        bloco.estado = EstadoBloco::Pronto;
        blocoPronto.wakeAll();
    }
}

// Reads blocks ahead while the ring has room. False on a failure.
bool CompressaoParalela::Estado::enfileira()
{
    const auto capacidade = qint64(blocos.size());
    while (!fimEntrada && lidos - entregues < capacidade) {
        Bloco &bloco = blocos[static_cast<size_t>(lidos % capacidade)];
        const Bloco *anterior = lidos > 0 ? &blocos[static_cast<size_t>((lidos - 1) % capacidade)] : nullptr;
        if (!leBloco(bloco, anterior))
            return false;
        const QMutexLocker trava(&mutex);
        bloco.estado = EstadoBloco::AComprimir;
        ++lidos;
        maximoRetidos = std::max(maximoRetidos, int(lidos - entregues));
        haTrabalho.wakeOne();
    }
    return true;
}

// Fills a free block: the dictionary from the block before it (its slot is
// not reused before this one is read, and the workers only read it), then
// the input.
bool CompressaoParalela::Estado::leBloco(Bloco &bloco, const Bloco *anterior)
{
    if (bloco.dados.isEmpty())
        bloco.dados.resize(kJanela + tamanhoBloco + 1);
    bloco.dicionario = 0;
    if (anterior) {
        const qint64 antes = anterior->dicionario + anterior->tamanho;
        bloco.dicionario = std::min(kJanela, antes);
        std::memcpy(bloco.dados.data(), anterior->dados.constData() + antes - bloco.dicionario,
                    static_cast<size_t>(bloco.dicionario));
    }
    char *entrada = bloco.dados.data() + bloco.dicionario;
    qint64 n = 0;
    if (temExcedente) {
        entrada[n++] = excedente;
        temExcedente = false;
    }
    while (n <= tamanhoBloco) {
        int erro = 0;
        const qint64 lidosAgora = leitor(entrada + n, tamanhoBloco + 1 - n, erro);
        if (lidosAgora < 0) {
            falhou(Falha::Leitura, erro != 0 ? erro : EIO);
            return false;
        }
        if (lidosAgora == 0) {
            fimEntrada = true;
            break;
        }
        n += lidosAgora;
    }
    if (n > tamanhoBloco) {
        excedente = entrada[tamanhoBloco];
        temExcedente = true;
        n = tamanhoBloco;
    }
    bloco.tamanho = n;
    bloco.inicio = posicao;
    posicao += n;
    bloco.ultimo = fimEntrada;
    bloco.entregue = 0;
    bloco.resultado = Z_OK;
    return true;
}

// Waits until the block is compressed; with one worker, compresses it here.
bool CompressaoParalela::Estado::aguarda(Bloco &bloco)
{
    if (deflateLocal) {
        if (bloco.estado == EstadoBloco::AComprimir) {
            ++tomados;
            bloco.resultado = deflateLocal->comprime(bloco);
            bloco.estado = EstadoBloco::Pronto;
        }
        return true;
    }
    QMutexLocker trava(&mutex);
    const QDeadlineTimer prazo(kPrazoBlocoMs);
    while (bloco.estado != EstadoBloco::Pronto) {
        if (!blocoPronto.wait(&mutex, prazo) && bloco.estado != EstadoBloco::Pronto) {
            falhou(Falha::Prazo, ETIMEDOUT);
            return false;
        }
    }
    return true;
}

qint64 CompressaoParalela::le(char *dados, qint64 tamanho)
{
    if (d->concluida)
        return 0;
    if (d->falha != Falha::Nenhuma || !d->enfileira())
        return -1;
    Bloco &bloco = d->blocos[static_cast<size_t>(d->entregues % qint64(d->blocos.size()))];
    if (!d->aguarda(bloco))
        return -1;
    if (bloco.resultado != Z_OK) {
        d->falhou(Falha::Compressao, bloco.resultado);
        return -1;
    }
    const qint64 n = std::min(tamanho, bloco.tamanhoSaida - bloco.entregue);
    std::memcpy(dados, bloco.saida.constData() + bloco.entregue, static_cast<size_t>(n));
    bloco.entregue += n;
    d->entradaEntregue = bloco.inicio + bloco.tamanho * bloco.entregue / bloco.tamanhoSaida;
    if (bloco.entregue == bloco.tamanhoSaida) {
        d->crc = static_cast<quint32>(crc32_combine(d->crc, bloco.crc, static_cast<z_off_t>(bloco.tamanho)));
        d->tamanhoEntrada += bloco.tamanho;
        d->tamanhoSaida += bloco.tamanhoSaida;
        d->concluida = bloco.ultimo;
        {
            const QMutexLocker trava(&d->mutex);
            bloco.estado = EstadoBloco::Livre;
        }
        ++d->entregues;
    }
    return n;
}

qint64 CompressaoParalela::entradaEntregue() const
{
    return d->entradaEntregue;
}

bool CompressaoParalela::concluida() const
{
    return d->concluida;
}

quint32 CompressaoParalela::crc() const
{
    return d->crc;
}

qint64 CompressaoParalela::tamanhoEntrada() const
{
    return d->tamanhoEntrada;
}

qint64 CompressaoParalela::tamanhoSaida() const
{
    return d->tamanhoSaida;
}

CompressaoParalela::Falha CompressaoParalela::falha() const
{
    return d->falha;
}

int CompressaoParalela::codigoFalha() const
{
    return d->codigoFalha;
}

int CompressaoParalela::trabalhadores() const
{
    return d->trabalhadores;
}

int CompressaoParalela::maximoBlocosRetidos() const
{
    return d->maximoRetidos;
}
