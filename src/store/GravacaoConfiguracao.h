#pragma once

#include "store/Configuracao.h"

#include <QString>
#include <QStringList>

#include <optional>

class Interlocutor;

// The settings as the user typed them: the four parts of the server's
// address, the number of ports and the first port.
struct ConfiguracaoDigitada
{
    QStringList partes; // four
    QString qtdePortas;
    QString portaInicial;
};

// Saving the server settings, for the settings window and the console: the
// checks of the fields in their order, then the statement on the local
// database, each outcome told through the interlocutor with the settings'
// own messages.
namespace GravacaoConfiguracao {

// The fields as the checks name them.
enum class Campo { Ip0, QtdePortas, PortaInicial, Ip1, Ip2, Ip3 };

// The first field that is empty (blanks only count as empty), checked in
// the order Ip0, QtdePortas, PortaInicial, Ip1, Ip2, Ip3, after telling the
// user; nothing when all are filled.
std::optional<Campo> confere(const ConfiguracaoDigitada &configuracao, Interlocutor &interlocutor);

// Writes the settings (an update of the row, or its insertion), tells the
// user "Alterações realizadas com sucesso!" and returns the settings as
// stored, for the caller to put into use at once. Any failure ends in
// "Ocorreu um erro ao salvar as configurações." and nothing.
std::optional<ConfiguracaoCliente> salva(const Instalacao &instalacao, const ConfiguracaoDigitada &configuracao,
                                         Interlocutor &interlocutor);

// The console's "configurar": what came of it.
enum class Configurada {
    Salva,      // stored and in use ("Alterações realizadas com sucesso!")
    CampoVazio, // a field is empty (told, as the window tells it)
    Gerenciada, // the site manages the settings: nothing saved (told)
    Invalida,   // the site's configuration of them is invalid: nothing saved (told)
    NaoSalva,   // the database refused the statement (told)
};

// The whole of "configurar", for the console: first the refusal of managed
// settings (ConfiguracaoGerenciada::permiteAlteracao), then confere() and
// salva() above, each outcome told through `interlocutor` with the window's
// own texts.
Configurada configura(const Instalacao &instalacao, const ConfiguracaoDigitada &configuracao,
                      Interlocutor &interlocutor);

} // namespace GravacaoConfiguracao
