#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class Instalacao;

// The record of a complete send in table Historico of the local database.
struct EnvioConcluido
{
    QString nomeArquivo;
    QString codigoEscritorio; // txtCodigoSRE
    QString codigoEscola;     // txtCodigoEscola
    QString tipo;             // "PERIO" or "ANUAL"
    // The receipt: the bytes sent and the SHA-256 (32 bytes) of the read
    // that checked the package before it went out.
    qint64 tamanho = 0;
    QByteArray sha256 = {};
};

// The insert, with the moment written day first ("dd/mm/yyyy hh:mm:ss").
// The codes must be numbers and the texts are quoted safely; a code that is
// not a number raises ErroTavo(Erros::TipoIncompativel) and nothing is built.
QString comandoRegistraEnvio(const EnvioConcluido &envio, const QDateTime &momento);

// Writes the record at the clock's current moment, into the local database
// of the program's folder, and its receipt into recibo_envio (made when
// missing), in one transaction: both rows or neither. A Historico without
// the column tipo_transmissao gets it first, every older record counting as
// annual, both in one transaction (the store's ConsultaHistorico). Raises
// ErroTavo with the engine's number and text when the database cannot be
// written; the database is closed on every way out.
void RegistraEnvio(const Instalacao &instalacao, const EnvioConcluido &envio);
