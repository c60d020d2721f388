#pragma once

#include <QString>

// The progress display of the data phase. The counter S grows by a full
// piece (2048) at every step, also after a short read, so a step whose S
// passes the file size is the last one: it sends only the remainder and
// shows the final line. A file whose size is a multiple of 2048 (zero
// included) ends with a step that sends nothing.
namespace ProgressoEnvio {

struct Passo
{
    qint64 bytesAEnviar = 0; // of the piece just read
    int valor = 0;           // ProgressTransfer, 0-100
    QString texto;           // lblstatus
};

// Step with counter `s` (after adding the piece) of a file of `total` bytes.
// "Status: 41% Completo, 2,88 KB Faltando..." while s <= total,
// "Status: 100% Completo. 4,88 KB Enviado." once s > total.
Passo passo(qint64 s, qint64 total);

// The parts of a step that cost no text: the bytes it sends and the value
// of its bar (what passo() gives as bytesAEnviar and valor).
qint64 bytesDoPasso(qint64 s, qint64 total);
int valorDoPasso(qint64 s, qint64 total);

// Percentage of s in total, rounded to the nearest whole number, halves to
// the even neighbour.
int percentual(qint64 s, qint64 total);

} // namespace ProgressoEnvio
