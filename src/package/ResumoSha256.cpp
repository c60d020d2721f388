#include "package/ResumoSha256.h"

#include <QThread>

#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TAVO_SHA_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

#ifdef TAVO_SHA_X86

alignas(16) constexpr quint32 kConstantes[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

// Processes `blocos` blocks of 64 bytes with the SHA instructions. The state
// is kept as the instructions want it, ABEF and CDGH, while the blocks run.
__attribute__((target("sha,sse4.1,ssse3"))) void comprime(quint32 estado[8], const unsigned char *dados, qint64 blocos)
{
    const __m128i ordem = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(&estado[0])), 0xB1);
    __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(&estado[4])), 0x1B);
    __m128i abef = _mm_alignr_epi8(dcba, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, dcba, 0xF0);

    for (; blocos > 0; --blocos, dados += 64) {
        const __m128i abefAntes = abef;
        const __m128i cdghAntes = cdgh;
        // The message in groups of four words, the last four groups kept.
        __m128i w[4];
        for (int i = 0; i < 4; ++i)
            w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(dados + 16 * i)), ordem);
        for (int grupo = 0; grupo < 16; ++grupo) {
            if (grupo >= 4) {
                // Group g from g-4, g-3, g-2 and g-1 (w[g % 4] still holds g-4).
                __m128i x = _mm_sha256msg1_epu32(w[grupo % 4], w[(grupo + 1) % 4]);
                x = _mm_add_epi32(x, _mm_alignr_epi8(w[(grupo + 3) % 4], w[(grupo + 2) % 4], 4));
                w[grupo % 4] = _mm_sha256msg2_epu32(x, w[(grupo + 3) % 4]);
            }
            __m128i soma =
                _mm_add_epi32(w[grupo % 4], _mm_load_si128(reinterpret_cast<const __m128i *>(&kConstantes[4 * grupo])));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, soma);
            soma = _mm_shuffle_epi32(soma, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, soma);
        }
        abef = _mm_add_epi32(abef, abefAntes);
        cdgh = _mm_add_epi32(cdgh, cdghAntes);
    }

    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(&estado[0]), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(&estado[4]), _mm_alignr_epi8(dchg, feba, 8));
}

#endif

} // namespace

bool ResumoSha256::instrucoesDisponiveis()
{
#ifdef TAVO_SHA_X86
    static const bool disponiveis = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid(1, &a, &b, &c, &d))
            return false;
        const bool ssse3 = (c & bit_SSSE3) != 0;
        const bool sse41 = (c & bit_SSE4_1) != 0;
        if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
            return false;
        return ssse3 && sse41 && (b & bit_SHA) != 0;
    }();
    return disponiveis;
#else
    return false;
#endif
}

ResumoSha256::ResumoSha256(bool usaInstrucoes)
    : m_instrucoes(usaInstrucoes && instrucoesDisponiveis())
    , m_estado{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void ResumoSha256::acrescenta(const char *dados, qint64 tamanho)
{
#ifdef TAVO_SHA_X86
    if (m_instrucoes) {
        const auto *bytes = reinterpret_cast<const unsigned char *>(dados);
        m_total += static_cast<quint64>(tamanho);
        if (m_nPendente > 0) {
            const qint64 n = qMin<qint64>(64 - m_nPendente, tamanho);
            std::memcpy(m_pendente + m_nPendente, bytes, static_cast<size_t>(n));
            m_nPendente += n;
            bytes += n;
            tamanho -= n;
            if (m_nPendente < 64)
                return;
            comprime(m_estado, m_pendente, 1);
            m_nPendente = 0;
        }
        comprime(m_estado, bytes, tamanho / 64);
        m_nPendente = tamanho % 64;
        std::memcpy(m_pendente, bytes + (tamanho - m_nPendente), static_cast<size_t>(m_nPendente));
        return;
    }
#endif
    m_qt.addData(QByteArrayView(dados, tamanho));
}

QByteArray ResumoSha256::resultado()
{
#ifdef TAVO_SHA_X86
    if (m_instrucoes) {
        // The padding: 0x80, zeros, the length in bits (big-endian) at the
        // end of the last block.
        const quint64 bits = m_total * 8;
        unsigned char fim[128] = {0x80};
        const qint64 nFim = m_nPendente < 56 ? 64 - m_nPendente : 128 - m_nPendente;
        for (int i = 0; i < 8; ++i)
            fim[nFim - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
        const quint64 total = m_total;
        acrescenta(reinterpret_cast<const char *>(fim), nFim);
        m_total = total;
        QByteArray resumo(32, Qt::Uninitialized);
        for (int i = 0; i < 8; ++i) {
            for (int j = 0; j < 4; ++j)
                resumo[4 * i + j] = static_cast<char>(m_estado[i] >> (24 - 8 * j));
        }
        return resumo;
    }
#endif
    return m_qt.result();
}

ResumoParalelo::ResumoParalelo()
    : m_thread(QThread::create([this] { trabalha(); }))
{
    m_thread->start();
    // A thread the system cannot make (no memory for its stack): the
    // blocks are digested as they are handed over.
    if (!m_thread->isRunning())
        m_thread.reset();
}

ResumoParalelo::~ResumoParalelo()
{
    if (!m_thread)
        return;
    {
        const QMutexLocker trava(&m_mutex);
        m_encerrar = true;
        m_haTrabalho.wakeAll();
    }
    // Bounded: the thread looks at `m_encerrar` before every block, and a
    // block's digest always ends.
    m_thread->wait();
}

qint64 ResumoParalelo::acrescenta(const char *dados, qint64 tamanho)
{
    if (!m_thread) {
        m_resumo.acrescenta(dados, tamanho);
        m_feitos = m_entregues + 1;
        return m_entregues++;
    }
    const QMutexLocker trava(&m_mutex);
    m_fila.push_back({dados, tamanho});
    m_haTrabalho.wakeOne();
    return m_entregues++;
}

void ResumoParalelo::aguarda(qint64 numero)
{
    QMutexLocker trava(&m_mutex);
    while (m_feitos <= numero)
        m_feito.wait(&m_mutex);
}

QByteArray ResumoParalelo::resultado()
{
    QMutexLocker trava(&m_mutex);
    while (m_feitos < m_entregues)
        m_feito.wait(&m_mutex);
    // The thread waits for more with the lock let go: the digest is this
    // thread's now.
    return m_resumo.resultado();
}

void ResumoParalelo::trabalha()
{
    QMutexLocker trava(&m_mutex);
    for (;;) {
        while (!m_encerrar && m_fila.empty())
            m_haTrabalho.wait(&m_mutex);
        if (m_encerrar)
            return;
        const Pendente bloco = m_fila.front();
        m_fila.pop_front();
        trava.unlock();
        m_resumo.acrescenta(bloco.dados, bloco.tamanho);
        trava.relock();
        ++m_feitos;
        m_feito.wakeAll();
    }
}
