#include "cli/ComandosConsole.h"

#include "cli/TerminalConsole.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Log.h"
#include "common/Relogio.h"
#include "history/GeraHistorico.h"
#include "package/GeracaoPacote.h"
#include "package/StatusZip.h"
#include "package/modAddZip.h"
#include "store/PastaPrograma.h"

#include <QDir>

using Mensagens::Icone;

namespace ComandosConsole {

int executa(const LinhaComando::Pedido &pedido, TerminalConsole &terminal)
{
    using LinhaComando::Comando;
    if (pedido.comando == Comando::Historico) {
        // The report runs beside an open client, which has made the database
        // ready. With none open, the folder is held just for that step, so a
        // database the former client left is converted before it is read.
        {
            const PastaPrograma pasta(terminal);
            if (!pasta.disponivel() && !pasta.ocupada()) {
                terminal.erro(pasta.recusa());
                return Falha;
            }
            if (pasta.trava().tomada())
                AtualizaEscritorios();
        }
        return historico(pedido, terminal);
    }

    const PastaPrograma pasta(terminal, pedido.comando == Comando::Converter ? PastaPrograma::Preparo::SoTrava
                                                                             : PastaPrograma::Preparo::BancoLocal);
    if (!pasta.disponivel()) {
        terminal.erro(pasta.recusa());
        return Falha;
    }
    if (pedido.comando == Comando::Converter)
        return converter(pedido, pasta.trava(), terminal);
    if (pasta.trava().tomada())
        AtualizaEscritorios();
    switch (pedido.comando) {
    case Comando::Configurar:
        return configurar(pedido.configuracao, terminal);
    case Comando::Gerar:
        return gerar(terminal);
    case Comando::Enviar:
        return enviar(pedido, terminal);
    default:
        return UsoIncorreto;
    }
}

int configurar(const ConfiguracaoDigitada &configuracao, TerminalConsole &terminal)
{
    terminal.defineResultados({QStringLiteral("Alterações realizadas com sucesso!")});
    if (GravacaoConfiguracao::confere(configuracao, terminal))
        return Falha;
    return GravacaoConfiguracao::salva(configuracao, terminal) ? Sucesso : Falha;
}

int gerar(TerminalConsole &terminal)
{
    InicializaComponenteZip(terminal);
    GeracaoPacote geracao(Caminhos::bancoEscola(), Relogio::agora().date(), terminal);
    QObject::connect(&geracao, &GeracaoPacote::progressoZip, &geracao,
                     [&terminal](const EventoZip &evento) { terminal.progresso(LinhaEvento(evento)); });
    const GeracaoPacote::Resultado resultado = geracao.executa();
    terminal.progresso({});
    if (!resultado.gerado) {
        // The cause the window's message leaves out, when there is one.
        if (!resultado.causa.isEmpty())
            terminal.erro(resultado.causa);
        return Falha;
    }
    terminal.saida(QDir::cleanPath(Caminhos::local(resultado.pacote)));
    return Sucesso;
}

int historico(const LinhaComando::Pedido &pedido, TerminalConsole &terminal)
{
    const QDate hoje = Relogio::agora().date();
    const std::int16_t mes = pedido.mes.value_or(static_cast<std::int16_t>(hoje.month()));
    const std::int16_t ano = pedido.ano.value_or(static_cast<std::int16_t>(hoje.year()));
    const auto falha = [&terminal](const ErroTavo &erro) {
        terminal.avisa(QStringLiteral("Ocorreu um erro ao gerar o histórico.\r\n") + erro.descricao(),
                       Icone::Informacao);
        return Falha;
    };
    QString relatorio;
    try {
        // A table from before the type was recorded is upgraded, then the
        // report is made again: there is always a report to print.
        relatorio = GeraHistorico(mes, ano, pedido.tipo);
    } catch (const ErroTavo &erro) {
        return falha(erro);
    }
    terminal.saidaBruta(relatorio.toUtf8());
    return Sucesso;
}

} // namespace ComandosConsole
