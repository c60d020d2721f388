#include "cli/Comando.h"

#include "cli/Comandos.h"
#include "common/ProxyCliente.h"

#include <QCommandLineParser>
#include <QRegularExpression>

Esperado<void> Comando::le(const QCommandLineParser &)
{
    return {};
}

std::vector<std::unique_ptr<Comando>> Comando::todos()
{
    std::vector<std::unique_ptr<Comando>> comandos;
    comandos.push_back(std::make_unique<ConsoleConfigurar>());
    comandos.push_back(std::make_unique<ConsoleGerar>());
    comandos.push_back(std::make_unique<ConsoleEnviar>());
    comandos.push_back(std::make_unique<ConsoleHistorico>());
    comandos.push_back(std::make_unique<ConsoleConverter>());
    comandos.push_back(std::make_unique<ConsoleDiagnostico>());
    return comandos;
}

std::unique_ptr<Comando> Comando::cria(const QString &nome)
{
    for (std::unique_ptr<Comando> &comando : todos()) {
        if (comando->nome() == nome)
            return std::move(comando);
    }
    return nullptr;
}

QCommandLineOption Comando::opcao(const QString &nome, const QString &valor, const QString &descricao)
{
    return QCommandLineOption(nome, descricao, valor);
}

Esperado<void> Comando::numero(const QCommandLineParser &parser, const QString &nome, int minimo, int maximo,
                               std::optional<int> &valor)
{
    if (!parser.isSet(nome))
        return {};
    static const QRegularExpression forma(QStringLiteral("^[0-9]{1,9}$"));
    const QString texto = parser.value(nome);
    const int lido = texto.toInt();
    if (!forma.match(texto).hasMatch() || lido < minimo || lido > maximo)
        return usoIncorreto(QStringLiteral("A opção --%1 é um número de %2 a %3, não \"%4\".")
                                .arg(nome)
                                .arg(minimo)
                                .arg(maximo)
                                .arg(texto));
    valor = lido;
    return {};
}

QList<QCommandLineOption> OpcoesTransferenciaLinha::opcoes()
{
    return {
        Comando::opcao(QStringLiteral("tempo-conexao"), QStringLiteral("S"),
                       QStringLiteral("Limite, em segundos (1 a 3600), de cada tentativa de conexão (padrão 10), em "
                                      "lugar do tempo_conexao da configuração da instalação.")),
        Comando::opcao(QStringLiteral("tempo-resposta"), QStringLiteral("S"),
                       QStringLiteral("Limite de espera por uma resposta do servidor (padrão 120), em lugar do "
                                      "tempo_resposta.")),
        Comando::opcao(QStringLiteral("tempo-sem-progresso"), QStringLiteral("S"),
                       QStringLiteral("Limite de um envio que não avança (padrão 60), em lugar do "
                                      "tempo_sem_progresso.")),
        Comando::opcao(QStringLiteral("proxy"), QStringLiteral("P"),
                       QStringLiteral("Por onde a conexão sai, em lugar do proxy da configuração da instalação: "
                                      "nenhum, sistema, socks5://[usuario:senha@]host:porta ou "
                                      "http://[usuario:senha@]host:porta. A linha de comando é visível a outros "
                                      "usuários: informe só o usuário e ponha a senha em TAVO_PROXY_SENHA ou em "
                                      "proxy_senha no arquivo de configuração do usuário."))};
}

Esperado<void> OpcoesTransferenciaLinha::le(const QCommandLineParser &parser)
{
    const auto prazo = [&](const char *nome, QString &texto) -> Esperado<void> {
        std::optional<int> segundos;
        if (auto falha =
                Comando::numero(parser, QLatin1String(nome), kPrazoMinimoSegundos, kPrazoMaximoSegundos, segundos);
            !falha)
            return falha;
        if (segundos)
            texto = QString::number(*segundos);
        return {};
    };
    if (auto falha = prazo("tempo-conexao", m_dadas.tempoConexao); !falha)
        return falha;
    if (auto falha = prazo("tempo-resposta", m_dadas.tempoResposta); !falha)
        return falha;
    if (auto falha = prazo("tempo-sem-progresso", m_dadas.tempoSemProgresso); !falha)
        return falha;
    if (parser.isSet(QStringLiteral("proxy"))) {
        const QString texto = parser.value(QStringLiteral("proxy"));
        if (const Esperado<ProxyCliente> lido = ProxyCliente::le(texto); !lido)
            return lido.erro();
        m_dadas.proxy = texto;
    }
    return {};
}

QList<ProblemaConfiguracao> OpcoesTransferenciaLinha::aplica(ConfiguracaoCliente &configuracao,
                                                             const Instalacao &instalacao) const
{
    configuracao.padrao = instalacao.prazos;
    OpcoesTransferencia opcoes = instalacao.opcoesTransferencia();
    const auto sobre = [](QString &doSitio, const QString &daLinha) {
        if (!daLinha.isEmpty())
            doSitio = daLinha;
    };
    sobre(opcoes.tempoConexao, m_dadas.tempoConexao);
    sobre(opcoes.tempoResposta, m_dadas.tempoResposta);
    sobre(opcoes.tempoSemProgresso, m_dadas.tempoSemProgresso);
    sobre(opcoes.proxy, m_dadas.proxy);
    return aplicaOpcoesTransferencia(configuracao, opcoes);
}

QString tipoDigitado(const QString &texto)
{
    QString tipo = texto.trimmed().toLower();
    tipo.replace(QStringLiteral("ó"), QStringLiteral("o"));
    return tipo;
}
