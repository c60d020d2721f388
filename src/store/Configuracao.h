#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The server settings in use: address, number of ports to try, first port.
// Empty and 0 until settings have been loaded.
extern QString IpServidor;
extern std::int16_t QtdePortas;
extern std::int32_t PortaInicial;

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

// Puts a stored row into use: trimmed address, converted port numbers.
// Raises ErroTavo when a port column is not a number in range.
void aplicaConfiguracao(const LinhaConfiguracao &linha);

// The four address boxes' parts of a stored address: it is cut at every ".";
// the k-th part belongs to box k. Parts after the fourth are not shown.
QStringList partesDoEndereco(const QString &endereco);

// The statement that saves the settings: an update when a row exists, else
// an insert. The values are trimmed. An address with a quote, a port count
// outside 1-32767 or a first port outside 1-65535 raises ErroTavo before
// anything is run.
QString comandoSalvaConfiguracao(bool linhaExiste, const QString &endereco, const QString &qtdePortas,
                                 const QString &portaInicial);
