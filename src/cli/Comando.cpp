#include "cli/Comando.h"

#include "cli/Comandos.h"

#include <QCommandLineParser>
#include <QRegularExpression>

std::optional<QString> Comando::le(const QCommandLineParser &)
{
    return std::nullopt;
}

std::unique_ptr<Comando> Comando::cria(const QString &nome)
{
    std::unique_ptr<Comando> comandos[] = {
        std::make_unique<ConsoleConfigurar>(), std::make_unique<ConsoleGerar>(),
        std::make_unique<ConsoleEnviar>(),     std::make_unique<ConsoleHistorico>(),
        std::make_unique<ConsoleConverter>(),  std::make_unique<ConsoleDiagnostico>(),
    };
    for (std::unique_ptr<Comando> &comando : comandos) {
        if (comando->nome() == nome)
            return std::move(comando);
    }
    return nullptr;
}

QCommandLineOption Comando::opcao(const QString &nome)
{
    return QCommandLineOption(nome, QString(), QStringLiteral("valor"));
}

std::optional<QString> Comando::numero(const QCommandLineParser &parser, const QString &nome, int minimo, int maximo,
                                       std::optional<int> &valor)
{
    if (!parser.isSet(nome))
        return std::nullopt;
    static const QRegularExpression forma(QStringLiteral("^[0-9]{1,9}$"));
    const QString texto = parser.value(nome);
    const int lido = texto.toInt();
    if (!forma.match(texto).hasMatch() || lido < minimo || lido > maximo)
        return QStringLiteral("A opção --%1 é um número de %2 a %3, não \"%4\".")
            .arg(nome)
            .arg(minimo)
            .arg(maximo)
            .arg(texto);
    valor = lido;
    return std::nullopt;
}

std::optional<QString> Comando::proxy(const QCommandLineParser &parser, std::optional<ProxyCliente> &valor)
{
    if (!parser.isSet(QStringLiteral("proxy")))
        return std::nullopt;
    const std::variant<ProxyCliente, QString> lido = ProxyCliente::le(parser.value(QStringLiteral("proxy")));
    if (const QString *falha = std::get_if<QString>(&lido))
        return *falha;
    valor = std::get<ProxyCliente>(lido);
    return std::nullopt;
}

QString tipoDigitado(const QString &texto)
{
    QString tipo = texto.trimmed().toLower();
    tipo.replace(QStringLiteral("ó"), QStringLiteral("o"));
    return tipo;
}
