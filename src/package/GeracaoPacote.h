#pragma once

#include "intake/ConsultaEscola.h"
#include "package/MotorZip.h"
#include "package/PacoteEscolhido.h"

#include <QDate>
#include <QString>

#include <functional>
#include <optional>

class Interlocutor;

// "Gerar": the school identified from the school database, the database
// packed into a package named from the school's code and the date in the
// package folder, the package read back whole, a copy put in the emptied
// working folder. Every step is tried; a failing one is remembered and the
// next runs all the same, and the result tells whether all of them worked.
// A package that fails its checks never takes the package's name (an earlier
// package of that name stays as it was) and is never copied.
class GeracaoPacote
{
public:
    struct Ouvinte
    {
        // The school database was read: its school, or none.
        std::function<void(const std::optional<DadosEscola> &escola)> escolaIdentificada;
        // The ZIP component's status texts while it packs.
        MotorZip::Relator statusZip;
    };

    struct Resultado
    {
        bool gerado = false;
        // The package in the package folder (program form); empty when none.
        QString pacote;
        // The package made ready to send (empty unless `gerado`).
        PacoteEscolhido escolhido;
        // Why it failed, for a front end that shows more than the one
        // message (the console): a text when the cause is worth telling,
        // else empty.
        QString causa;
    };

    // The school database and the date the package is named after.
    GeracaoPacote(QString bancoEscola, QDate data);

    // A failure is told through the interlocutor, once, at the end.
    Resultado executa(const Ouvinte &ouvinte, Interlocutor &interlocutor) const;

private:
    void empacota(const QString &pacote, const MotorZip::Relator &relator, bool &alterado) const;

    QString m_bancoEscola;
    QDate m_data;
};
