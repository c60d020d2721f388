#pragma once

#include <QString>

class Instalacao;
class Interlocutor;

// Server settings the site manages: with `gerenciado=sim` in [servidor] of
// the site's configuration (common/Instalacao.h), the site's `ip`,
// `portas` and `porta_inicial` are the settings in use. Each start writes
// them into table configuracao, where the window, the console and the
// history read them, and the user cannot change them there.
namespace ConfiguracaoGerenciada {

// The text that refuses a change of managed settings.
QString textoGerenciada();

// What the site's configuration says of the server settings now.
struct Situacao
{
    enum class Tipo {
        Livre,      // not managed: the user keeps the settings
        Gerenciada, // managed, with settings that pass the settings window's checks
        Invalida,   // managed with settings missing or refused, or a gerenciado that is neither sim nor não
    };
    Tipo tipo = Tipo::Livre;
    // Gerenciada: the address as stored and the ports as written.
    QString endereco;
    QString portas;
    QString portaInicial;
    // Invalida: what the user is told.
    QString recusa;
};
Situacao situacao(const Instalacao &instalacao);

// The start's step, run by PastaPrograma while it holds the program folder:
// managed settings are written into configuracao when they differ from the
// stored ones (the log has the old and the new values; nothing is written
// or logged when they are equal). Invalid ones are told through
// `interlocutor` and nothing is written. A database that cannot be written
// is logged (whatever reads it next reports it).
enum class Aplicacao { Livre, Mantida, Gravada, NaoGravada, Invalida };
Aplicacao aplica(const Instalacao &instalacao, Interlocutor &interlocutor);

// Before a change of the settings by the user (the settings window's
// "Confirmar", the console's "configurar"): true when it may go on. While
// the site manages them, or its configuration is invalid, the user is told
// why ("As configurações do servidor são definidas pela instalação ...")
// and false comes back; `invalida`, when given, says which of the two.
bool permiteAlteracao(const Instalacao &instalacao, Interlocutor &interlocutor, bool *invalida = nullptr);

} // namespace ConfiguracaoGerenciada
