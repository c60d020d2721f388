#pragma once

#include <QByteArray>
#include <QString>

// The messages the client sends to the upload server, as bytes. None has a
// length prefix or a terminator: each goes to the socket in one send.
//   C1 "Request#:PACKET"
//   C2 "File~~~#:name~#:" name "*" office code (10 digits) office "*"
//      school code school "*" type
//   C3 "File~~~#:size~#:" size in decimal
//   C4 the file itself, in pieces of TamanhoPeca bytes.
namespace MensagensCliente {

inline constexpr int TamanhoPeca = 2048;
inline constexpr int PacoteMinimo = 2048;

// What C2 carries, as the main window holds it.
struct Identidade
{
    QString nomeArquivo;
    QString codigoEscritorio;
    QString escritorio;
    QString codigoEscola;
    QString escola;
    QString tipo; // "PERIO" or "ANUAL"
};

QByteArray pedidoPacote();
QByteArray cabecalhoArquivo(const Identidade &identidade);
QByteArray cabecalhoTamanho(qint64 tamanho);

// The office code as the header carries it: a whole number zero-padded to
// ten digits ("114" -> "0000000114"); any other text goes as it is, as the
// "0000000000" format pattern leaves text that is not a number.
QString codigoEscritorioDezDigitos(const QString &codigo);

// "PERIO" for the periodic option, "ANUAL" otherwise.
inline QString tipoTransmissao(bool periodica)
{
    return periodica ? QStringLiteral("PERIO") : QStringLiteral("ANUAL");
}

} // namespace MensagensCliente
