#pragma once

#include "common/Instalacao.h"
#include "package/EventoZip.h"
#include "package/PacoteEscolhido.h"
#include "store/ConsultaEscola.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <optional>

class Interlocutor;

// "Gerar": the school identified from the school database, the database
// packed into a package named from the school's code and the date in the
// package folder, the package read back whole, a copy put in the emptied
// working folder. Every step is tried; a failing one is remembered and the
// next runs all the same, and the result tells whether all of them worked.
// A package that fails its checks never takes the package's name (an earlier
// package of that name stays as it was) and is never copied. What it does
// comes out through its signals while it runs; the user is told through the
// interlocutor.
class GeracaoPacote : public QObject
{
    Q_OBJECT

public:
    // What kept the package from being made.
    enum class Falha {
        Nenhuma,
        Escola,        // the school database could not be read, or names no school
        BancoAlterado, // the school database changed while it was read, twice
        Gravacao,      // the package could not be written or copied (a full disk, a missing folder)
        Memoria,       // the system gave the program no more memory
    };

    struct Resultado
    {
        bool gerado = false;
        Falha falha = Falha::Nenhuma;
        // The package in the package folder (program form); empty when none.
        QString pacote;
        // The package made ready to send (empty unless `gerado`).
        PacoteEscolhido escolhido;
        // Why it failed, for a front end that shows more than the one
        // message (the console): the first failed step's error.
        QString causa;
    };

    // The school database and the date the package is named after.
    GeracaoPacote(const Instalacao &instalacao, QString bancoEscola, QDate data, Interlocutor &interlocutor,
                  QObject *parent = nullptr);

    // A failure is told through the interlocutor, once, at the end.
    Resultado executa();

Q_SIGNALS:
    // The school database was read: its school, or none.
    void escolaIdentificada(const std::optional<DadosEscola> &escola);
    // The ZIP component's progress while it packs the database and reads
    // the package back.
    void progressoZip(const EventoZip &evento);

private:
    void empacota(const QString &pacote, bool &alterado);

    const Instalacao m_instalacao;
    QString m_bancoEscola;
    QDate m_data;
    Interlocutor &m_interlocutor;
};
