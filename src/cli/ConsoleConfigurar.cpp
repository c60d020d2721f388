// "configurar": the server settings saved with the settings window's checks
// and messages.
#include "cli/Comandos.h"
#include "cli/TerminalConsole.h"
#include "common/Erro.h"
#include "store/Configuracao.h"

#include <QCommandLineParser>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// A whole number of at most `digitos` digits.
std::optional<int> numeroDigitado(const QString &texto, int digitos)
{
    static const QRegularExpression forma(QStringLiteral("^[0-9]+$"));
    if (texto.size() > digitos || !forma.match(texto).hasMatch())
        return std::nullopt;
    return texto.toInt();
}

// The address cut at its dots into the four boxes of the settings window,
// each of which holds three characters.
Esperado<void> cortaEndereco(const QString &endereco, QStringList &partes)
{
    if (endereco.count(QLatin1Char('.')) > 3)
        return usoIncorreto(QStringLiteral("O IP do servidor tem mais de quatro partes: \"%1\".").arg(endereco));
    partes = partesDoEndereco(endereco);
    for (const QString &parte : std::as_const(partes)) {
        if (parte.size() > 3)
            return usoIncorreto(
                QStringLiteral("Cada parte do IP do servidor tem no máximo três caracteres: \"%1\".").arg(endereco));
    }
    // An empty part is an empty box, which the settings' checks report.
    for (const QString &parte : std::as_const(partes)) {
        const std::optional<int> valor = numeroDigitado(parte, 3);
        if (!parte.isEmpty() && (!valor || *valor > 255))
            return usoIncorreto(
                QStringLiteral("Cada parte do IP do servidor é um número de 0 a 255: \"%1\".").arg(endereco));
    }
    while (partes.size() < 4)
        partes.append(QString());
    return {};
}

} // namespace

QString ConsoleConfigurar::descricao() const
{
    return QStringLiteral("Grava as configurações de acesso ao servidor, com as verificações e as mensagens da "
                          "janela de configurações, sem a pergunta: o IP, a quantidade de portas e a primeira delas.");
}

QList<QCommandLineOption> ConsoleConfigurar::opcoes() const
{
    return {opcao(QStringLiteral("ip"), QStringLiteral("A.B.C.D"),
                  QStringLiteral("O IP do servidor: quatro partes de 0 a 255, separadas por pontos.")),
            opcao(QStringLiteral("portas"), QStringLiteral("N"),
                  QStringLiteral("Quantas portas o servidor atende, de 1 a 32767.")),
            opcao(QStringLiteral("porta-inicial"), QStringLiteral("P"),
                  QStringLiteral("A primeira dessas portas, de 1 a 65535."))};
}

QStringList ConsoleConfigurar::obrigatorias() const
{
    return {QStringLiteral("ip"), QStringLiteral("portas"), QStringLiteral("porta-inicial")};
}

Esperado<void> ConsoleConfigurar::le(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("ip"))) {
        if (const auto falha = cortaEndereco(parser.value(QStringLiteral("ip")), m_configuracao.partes); !falha)
            return falha;
    }
    m_configuracao.qtdePortas = parser.value(QStringLiteral("portas"));
    m_configuracao.portaInicial = parser.value(QStringLiteral("porta-inicial"));
    // The ranges the settings are saved with; an empty value is left to the
    // settings' checks, like an option not given.
    const auto foraDoIntervalo = [](const QString &texto, int maximo) {
        const std::optional<int> valor = numeroDigitado(texto, 5);
        return !texto.isEmpty() && (!valor || *valor < 1 || *valor > maximo);
    };
    if (foraDoIntervalo(m_configuracao.qtdePortas, 32767))
        return usoIncorreto(QStringLiteral("A quantidade de portas é um número de 1 a 32767, não \"%1\".")
                                .arg(m_configuracao.qtdePortas));
    if (foraDoIntervalo(m_configuracao.portaInicial, 65535))
        return usoIncorreto(
            QStringLiteral("A porta inicial é um número de 1 a 65535, não \"%1\".").arg(m_configuracao.portaInicial));
    return {};
}

int ConsoleConfigurar::executa(const Instalacao &instalacao, TerminalConsole &terminal)
{
    terminal.defineResultados({QStringLiteral("Alterações realizadas com sucesso!")});
    switch (GravacaoConfiguracao::configura(instalacao, m_configuracao, terminal)) {
    case GravacaoConfiguracao::Configurada::Salva:
        break;
    case GravacaoConfiguracao::Configurada::CampoVazio:
        // What is left to the settings' checks is a value not given.
        return CodigosSaida::UsoIncorreto;
    case GravacaoConfiguracao::Configurada::Gerenciada:
    case GravacaoConfiguracao::Configurada::Invalida:
        terminal.defineCausa(QStringLiteral("as configurações do servidor vêm de [servidor] no arquivo de "
                                            "configuração da instalação (gerenciado=sim)."));
        return CodigosSaida::Configuracao;
    case GravacaoConfiguracao::Configurada::NaoSalva:
        terminal.defineCausa(QStringLiteral("as configurações não puderam ser gravadas no banco de dados local."));
        return CodigosSaida::EntradaSaida;
    }
    // What was stored, read back as a send will read it.
    try {
        if (const std::optional<LinhaConfiguracao> linha = leConfiguracao(instalacao)) {
            const ConfiguracaoCliente salva = configuracaoDaLinha(*linha);
            terminal.defineJson({{QStringLiteral("ip"), salva.IpServidor},
                                 {QStringLiteral("portas"), salva.QtdePortas},
                                 {QStringLiteral("porta_inicial"), static_cast<int>(salva.PortaInicial)}});
            return CodigosSaida::Sucesso;
        }
    } catch (const ErroTavo &erro) {
        terminal.defineCausa(erro.descricao());
    }
    return CodigosSaida::EntradaSaida;
}
