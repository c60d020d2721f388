#pragma once

#include <QHostAddress>
#include <QString>

// How the reference upload server behaves. The defaults make a well-behaved
// server; the other fields are the fault modes used in tests and trials.
struct ConfiguracaoServidor
{
    QHostAddress endereco = QHostAddress(QHostAddress::LocalHost);
    quint16 portaInicial = 47000;
    int portas = 1;
    QString pasta;                     // where packages are stored, absolute (pastaRecebidos())
    int maxSessoes = 0;                // connections served at once; one more is closed unanswered (0: no limit)
    qint64 maxBytes = qint64(2) << 30; // the largest package taken; a larger size is refused
    int ociosoMs = 60000;              // a client that sends nothing this long while awaited is closed

    bool negar = false;        // answer "denied" to every connection
    int pacote = 2048;         // packet size granted ("PACKET")
    bool recusar = false;      // refuse the file ("PEND~#" 0)
    int expulsarEm = -1;       // send "kickH#" and close at this percentage of the data
    int derrubarEm = -1;       // close without a word at this percentage of the data
    bool mudo = false;         // never answer anything
    int lentoKBs = 0;          // read the data at this many KB per second (0: as fast as it comes)
    bool juntar = false;       // send "accept" and the packet answer in one write
    bool partir = false;       // send every answer in two writes
    bool guardaBrutos = false; // keep every byte of the last connection (tests)
};

// The identity a client announces in its file header.
struct IdentidadeRecebida
{
    QString nomeArquivo;
    QString codigoEscritorio;
    QString escritorio;
    QString codigoEscola;
    QString escola;
    QString tipo;
    bool valida = false;
};

// Reads a file header's text (after "File~~~#:name~#:"): name "*" office
// code (10) office "*" school code (8) school "*" type. A "*" inside the
// school's name stays in the name.
IdentidadeRecebida leIdentidade(const QString &texto);

// The storage folder, absolute: `opcao` (--dir) when given; else the
// folder systemd made for the service (`pastaEstado`, $STATE_DIRECTORY,
// the first when it lists several); else "recebidos". A relative one lies
// in `atual`, the working folder at start: it is resolved once, so nothing
// later depends on the working folder.
QString pastaRecebidos(const QString &opcao, const QString &pastaEstado, const QString &atual);

// A file name safe to use under the storage folder.
QString nomeSeguro(const QString &nome);
