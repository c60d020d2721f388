#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class Interlocutor;

// The client's settings: the server a transfer goes to, its address, how
// many consecutive ports to try and the first of them. Loaded from the local
// database and handed to what uses them; a load that finds nothing stored
// leaves the settings in use as they were.
struct ConfiguracaoCliente
{
    QString IpServidor;
    std::int16_t QtdePortas = 0;
    std::int32_t PortaInicial = 0;
    // The options that follow (timeouts, proxy, ...) join here, each with
    // its default.
};

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
std::optional<LinhaConfiguracao> leConfiguracao();

// The settings of a stored row: trimmed address, converted port numbers.
// Raises ErroTavo when a port column is not a number in range.
ConfiguracaoCliente configuracaoDaLinha(const LinhaConfiguracao &linha);

// Mode "P" of CarregaConfiguracao, for any front end: the stored settings,
// or, when none are stored, nothing after the greeting ("Bem Vindo ao
// sistema ...") told through `interlocutor`. Raises ErroTavo when the local
// database cannot be read.
std::optional<ConfiguracaoCliente> CarregaConfiguracaoServidor(Interlocutor &interlocutor);

// The settings load of a start, the window's and the console's: the above
// into `emUso`, which keeps what it had when nothing is stored. A local
// database that cannot be read is told ("Não foi possível ler o banco de
// dados local ...") and gives false.
bool CarregaConfiguracaoInicio(ConfiguracaoCliente &emUso, Interlocutor &interlocutor);

// The four address boxes' parts of a stored address: it is cut at every ".";
// the k-th part belongs to box k. Parts after the fourth are not shown.
QStringList partesDoEndereco(const QString &endereco);

// The statement that saves the settings: an update when a row exists, else
// an insert. The values are trimmed. An address with a quote, a port count
// outside 1-32767 or a first port outside 1-65535 raises ErroTavo before
// anything is run.
QString comandoSalvaConfiguracao(bool linhaExiste, const QString &endereco, const QString &qtdePortas,
                                 const QString &portaInicial);
