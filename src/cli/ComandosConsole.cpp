#include "cli/ComandosConsole.h"

#include "cli/TerminalConsole.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Log.h"
#include "common/Relogio.h"
#include "common/TravaPrograma.h"
#include "history/GeraHistorico.h"
#include "package/GeracaoPacote.h"
#include "package/StatusZip.h"
#include "package/modAddZip.h"
#include "store/AtualizaSRE.h"
#include "store/PreparacaoBancoLocal.h"

#include <QDir>

using Mensagens::Icone;

namespace ComandosConsole {

namespace {

// What the window's start does before anything reads the local database:
// the former client's database converted, the template put in place, the
// office names refreshed. Run while the program folder's lock is held.
void preparaPastaPrograma(TerminalConsole &terminal)
{
    preparaBancoLocal(terminal);
    // A database that cannot take the office names is only logged, as the
    // window does.
    try {
        AtualizaSRE();
    } catch (const ErroTavo &erro) {
        qCWarning(lcBanco).noquote() << "Regional office names not refreshed:" << erro.relato();
    }
}

} // namespace

int executa(const LinhaComando::Pedido &pedido, TerminalConsole &terminal)
{
    using LinhaComando::Comando;
    if (pedido.comando == Comando::Historico) {
        // The report runs beside an open client, which has made the database
        // ready. With none open, the lock is held just for that step, so a
        // database the former client left is converted before it is read.
        {
            const TravaPrograma trava;
            if (trava.falhou()) {
                terminal.erro(trava.textoFalha());
                return Falha;
            }
            if (trava.tomada())
                preparaPastaPrograma(terminal);
        }
        return historico(pedido, terminal);
    }

    const TravaPrograma trava;
    if (trava.ocupada()) {
        terminal.erro(TravaPrograma::textoOcupada());
        return Falha;
    }
    if (trava.falhou()) {
        terminal.erro(trava.textoFalha());
        return Falha;
    }
    if (pedido.comando == Comando::Converter)
        return converter(pedido, trava, terminal);
    // Without the lock (a folder where nothing can be written) nothing is
    // converted nor put in place.
    if (trava.tomada())
        preparaPastaPrograma(terminal);
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
    try {
        IniciaComponenteZip();
    } catch (const ErroTavo &) {
        // As in the window: told once; the job then fails where it zips.
        terminal.avisa(QStringLiteral("Erro inicializando bibliotecas ZIP"), Icone::Critico);
    }
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
