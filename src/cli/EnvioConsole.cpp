// "enviar": the package of today or the one given, sent without a question.
#include "cli/ComandosConsole.h"

#include "cli/TerminalConsole.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Log.h"
#include "common/Relogio.h"
#include "intake/SelecaoPacote.h"
#include "package/Pedacos.h"
#include "package/StatusZip.h"
#include "package/modAddZip.h"
#include "store/Configuracao.h"
#include "transfer/MensagensCliente.h"
#include "transfer/SessaoTransferencia.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <variant>

using Mensagens::Icone;

namespace {

// A path given on the command line: one in the program's form ("c:\...")
// stays as it is; any other is taken from the current folder.
QString caminhoEscolhido(const QString &argumento)
{
    static const QRegularExpression unidade(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    if (unidade.match(argumento).hasMatch())
        return argumento;
    return QFileInfo(argumento).absoluteFilePath();
}

// Today's package of the school in the school database, made by "gerar".
std::optional<PacoteEscolhido> pacoteDeHoje(const LinhaComando::Pedido &pedido, DadosEscola &escola,
                                            TerminalConsole &terminal)
{
    try {
        escola = ConsultaDadosEscola(Caminhos::local(Caminhos::bancoEscola())).value_or(DadosEscola{});
    } catch (const ErroTavo &erro) {
        // No school, no package name: the check below says the code is not valid.
        qCWarning(lcBanco).noquote() << "School database not read:" << Caminhos::local(Caminhos::bancoEscola()) << "-"
                                     << erro.relato();
    }
    if (!ConfereEnvio(escola.codigoEscola, pedido.periodica.has_value(), terminal))
        return std::nullopt;
    const QString pacote = NomePacote(escola.codigoEscola, Relogio::agora().date());
    if (!QFileInfo(Caminhos::local(pacote)).isFile()) {
        terminal.avisa(QStringLiteral("O Arquivo não existe!"), Icone::Critico);
        return std::nullopt;
    }
    // The package folder is its source, and its name and size.
    PacoteEscolhido escolhido = PacoteEscolhido::comOrigem(pacote, pacote, escola.codigoEscola, escola.escola);
    // What will go out is read back whole now, as a package chosen with
    // --pacote is; the send takes this check while the file stays as it is.
    const std::variant<SessaoTransferencia::Preparado, SessaoTransferencia::Fim> preparado =
        SessaoTransferencia::prepara(escolhido, terminal);
    const auto *pronto = std::get_if<SessaoTransferencia::Preparado>(&preparado);
    if (!pronto)
        return std::nullopt;
    escolhido.guardaConferencia(pronto->conferencia);
    return escolhido;
}

// The package given, after the steps of "...".
std::optional<PacoteEscolhido> pacoteEscolhido(const LinhaComando::Pedido &pedido, DadosEscola &escola,
                                               TerminalConsole &terminal)
{
    SelecaoPacote selecao(caminhoEscolhido(pedido.pacote), terminal);
    QObject::connect(&selecao, &SelecaoPacote::mensagem, &selecao,
                     [&terminal](const QString &texto) { terminal.progresso(texto); });
    QObject::connect(&selecao, &SelecaoPacote::progressoZip, &selecao,
                     [&terminal](const EventoZip &evento) { terminal.progresso(LinhaEvento(evento)); });
    QObject::connect(&selecao, &SelecaoPacote::escolaIdentificada, &selecao,
                     [&escola](const std::optional<DadosEscola> &lida) { escola = lida.value_or(DadosEscola{}); });
    const SelecaoPacote::Resultado resultado = selecao.executa();
    terminal.progresso({});
    if (!resultado.pronto)
        return std::nullopt;
    if (!ConfereEnvio(escola.codigoEscola, pedido.periodica.has_value(), terminal))
        return std::nullopt;
    return resultado.pacote;
}

} // namespace

namespace ComandosConsole {

int enviar(const LinhaComando::Pedido &pedido, TerminalConsole &terminal)
{
    terminal.defineResultados({QStringLiteral("A transferência do arquivo foi concluída com sucesso!")});
    // The settings loaded as the window's start loads them; with none stored
    // (the greeting) the send finds no port to try.
    ConfiguracaoCliente configuracao;
    if (!CarregaConfiguracaoInicio(configuracao, terminal))
        return Falha;
    // Either way the package is read back whole before it goes.
    InicializaComponenteZip(terminal);

    DadosEscola escola;
    const std::optional<PacoteEscolhido> pacote =
        pedido.pacote.isEmpty() ? pacoteDeHoje(pedido, escola, terminal) : pacoteEscolhido(pedido, escola, terminal);
    if (!pacote)
        return Falha;

    SessaoTransferencia sessao(terminal);
    QObject::connect(&sessao, &SessaoTransferencia::status, &sessao,
                     [&terminal](const QString &texto) { terminal.progresso(texto); });
    const SessaoTransferencia::Fim fim =
        sessao.transmite(configuracao, *pacote,
                         {escola.codigoSRE, escola.sre, escola.codigoEscola, escola.escola,
                          MensagensCliente::tipoTransmissao(pedido.periodica.value_or(true))});
    terminal.progresso({});
    // A send the history could not take was told ("Histórico não gravado."),
    // and is a failure of the command all the same.
    return fim == SessaoTransferencia::Fim::Concluida ? Sucesso : Falha;
}

} // namespace ComandosConsole
