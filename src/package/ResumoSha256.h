#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QtGlobal>

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
