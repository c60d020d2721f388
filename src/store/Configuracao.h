#pragma once

#include "common/Esperado.h"
#include "common/Instalacao.h"
#include "common/ProxyCliente.h"

#include <QList>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

class Interlocutor;

// The client's settings: the server a transfer goes to, its address, how
// many consecutive ports to try and the first of them. Loaded from the local
// database and handed to what uses them; a load that finds nothing stored
// leaves the settings in use as they were. The transfer's options (its
// bounds and the proxy) come from the site configuration or the console's
// options, never from the local database.
struct ConfiguracaoCliente
{
    QString IpServidor;
    std::int16_t QtdePortas = 0;
    std::int32_t PortaInicial = 0;
    // The bounds of the transfer's waits: one connection attempt, a server
    // answer, a send that makes no progress. Empty: the program's own, in
    // `padrao` (the installation's: 10 s, 120 s and 60 s).
    std::optional<std::chrono::milliseconds> tempoConexao = {};
    std::optional<std::chrono::milliseconds> tempoResposta = {};
    std::optional<std::chrono::milliseconds> tempoSemProgresso = {};
    PrazosEspera padrao = {};
    // How the connection goes out; a direct one by default.
    ProxyCliente proxy = {};

    // The bounds in use: the ones given, else the program's.
    std::chrono::milliseconds prazoConexao() const;
    std::chrono::milliseconds prazoResposta() const;
    std::chrono::milliseconds prazoSemProgresso() const;
};

// The range of a bound given in seconds (a key of the site configuration or
// a console option).
constexpr int kPrazoMinimoSegundos = 1;
constexpr int kPrazoMaximoSegundos = 3600;

// A bound as written: a whole number of seconds within the range above, or
// ErroTavo(Erros::ArgumentoInvalido) with the user's message, which names
// `nome` (the key or the option).
Esperado<std::chrono::seconds> lePrazo(const QString &texto, const QString &nome);

// A value of the site configuration that cannot be used: its key
// ("[servidor] proxy") and the user's message (never with a password).
struct ProblemaConfiguracao
{
    QString chave;
    QString mensagem;
};

// Puts the transfer's options written in `opcoes` onto `configuracao`. A
// value not given leaves its field as it was, and so does one that cannot
// be used, which comes back in the list instead.
QList<ProblemaConfiguracao> aplicaOpcoesTransferencia(ConfiguracaoCliente &configuracao,
                                                      const OpcoesTransferencia &opcoes);
// The same with the options of the installation (its files), after its own
// bounds are made the program's (`padrao`). An empty list: all usable.
QList<ProblemaConfiguracao> aplicaOpcoesSitio(ConfiguracaoCliente &configuracao, const Instalacao &instalacao);

// The first row of table configuracao, as stored (untrimmed).
struct LinhaConfiguracao
{
    QString ipServidor;
    QString qtdePortas;
    QString portaInicial;
};

// Reads the settings row of the local database; nothing when the table is
// empty. Raises ErroTavo when the database or the table cannot be read, or
// a column is empty (Null).
std::optional<LinhaConfiguracao> leConfiguracao(const Instalacao &instalacao);

// The settings of a stored row: trimmed address, converted port numbers.
// Raises ErroTavo when a port column is not a number in range.
ConfiguracaoCliente configuracaoDaLinha(const LinhaConfiguracao &linha);

// Mode "P" of CarregaConfiguracao, for any front end: the stored settings,
// or, when none are stored, nothing after the greeting ("Bem Vindo ao
// sistema ...") told through `interlocutor`. Raises ErroTavo when the local
// database cannot be read.
std::optional<ConfiguracaoCliente> CarregaConfiguracaoServidor(const Instalacao &instalacao,
                                                               Interlocutor &interlocutor);

// The settings load of a start, the window's and the console's: the above
// into `emUso`, which keeps what it had when nothing is stored, and then the
// site configuration's transfer options (aplicaOpcoesSitio; a value that
// cannot be used is logged and its default kept). A local database that
// cannot be read is told ("Não foi possível ler o banco de dados local ...")
// and gives false.
bool CarregaConfiguracaoInicio(ConfiguracaoCliente &emUso, const Instalacao &instalacao, Interlocutor &interlocutor);

// The four address boxes' parts of a stored address: it is cut at every ".";
// the k-th part belongs to box k. Parts after the fourth are not shown.
QStringList partesDoEndereco(const QString &endereco);

// The statement that saves the settings: an update when a row exists, else
// an insert. The values are trimmed. An address with a quote, a port count
// outside 1-32767 or a first port outside 1-65535 raises ErroTavo before
// anything is run.
QString comandoSalvaConfiguracao(bool linhaExiste, const QString &endereco, const QString &qtdePortas,
                                 const QString &portaInicial);
