#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QMutex>
#include <QWaitCondition>
#include <QtGlobal>

#include <deque>
#include <memory>

class QThread;

// The SHA-256 of bytes handed over in pieces. Where the processor has the
// SHA instructions (x86 since about 2017) they do the work: about 1 GB/s
// on the development machine, where QCryptographicHash hashes 150-210 MB/s,
// and a package is hashed before every send. Elsewhere QCryptographicHash
// does it.
class ResumoSha256
{
public:
    // `usaInstrucoes` false: QCryptographicHash even where the instructions
    // are there (the tests compare the two).
    explicit ResumoSha256(bool usaInstrucoes = instrucoesDisponiveis());

    static bool instrucoesDisponiveis();

    void acrescenta(const char *dados, qint64 tamanho);
    // The 32 bytes of the digest; nothing may be added after.
    QByteArray resultado();

private:
    bool m_instrucoes;
    QCryptographicHash m_qt{QCryptographicHash::Sha256};
    quint32 m_estado[8];
    unsigned char m_pendente[64];
    qint64 m_nPendente = 0;
    quint64 m_total = 0;
};

// The SHA-256 of blocks handed over in order, taken on a thread of its own:
// the caller goes on (a send puts the block on the wire) while the block is
// digested. A block handed over stays unchanged until `aguarda` says it is
// done; the caller keeps a few and reuses each once it is. Where the system
// makes no thread, each block is digested as it is handed over.
class ResumoParalelo
{
public:
    ResumoParalelo();
    // Stops at the block being digested (the rest are not) and ends the thread.
    ~ResumoParalelo();
    ResumoParalelo(const ResumoParalelo &) = delete;
    ResumoParalelo &operator=(const ResumoParalelo &) = delete;

    // Hands over the next block; its number, from 0.
    qint64 acrescenta(const char *dados, qint64 tamanho);
    // Waits until every block up to number `numero` is digested (a block
    // of 64 KB takes well under a millisecond).
    void aguarda(qint64 numero);
    // Every block digested: the 32 bytes of the digest; nothing may be
    // added after.
    QByteArray resultado();

private:
    struct Pendente
    {
        const char *dados;
        qint64 tamanho;
    };
    void trabalha();

    QMutex m_mutex;
    QWaitCondition m_haTrabalho;
    QWaitCondition m_feito;
    std::deque<Pendente> m_fila;
    qint64 m_entregues = 0;
    qint64 m_feitos = 0;
    bool m_encerrar = false;
    ResumoSha256 m_resumo; // the thread's, until every block is done
    std::unique_ptr<QThread> m_thread;
};
