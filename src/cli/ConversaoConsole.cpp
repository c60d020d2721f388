// "converter": the former client's local database converted on request, with
// what was read of each table shown, and a loss accepted only when asked.
#include "cli/ComandosConsole.h"

#include "cli/TerminalConsole.h"
#include "common/Caminhos.h"
#include "common/Log.h"
#include "common/TravaPrograma.h"
#include "store/Banco.h"
#include "store/ConversaoBancoLocal.h"
#include "store/PreparacaoBancoLocal.h"

#include <QFileInfo>

namespace {

QString linhaTabela(const LeituraTabela &tabela)
{
    const QString declaradas = tabela.lida() ? QString::number(tabela.declaradas) : QStringLiteral("?");
    QString linha = QStringLiteral("tabela %1: declaradas %2, lidas %3").arg(tabela.nome, declaradas).arg(tabela.lidas);
    if (tabela.paginasIlegiveis > 0)
        linha += QStringLiteral(", páginas ilegíveis %1").arg(tabela.paginasIlegiveis);
    return linha;
}

} // namespace

namespace ComandosConsole {

int converter(const LinhaComando::Pedido &pedido, const TravaPrograma &trava, TerminalConsole &terminal)
{
    const QString banco = Caminhos::naPastaPrograma(Caminhos::bancoLocal());
    const FormatoBanco formato = formatoDoBanco(banco);
    if (formato == FormatoBanco::SQLite || !QFileInfo::exists(banco)) {
        terminal.saida(
            QStringLiteral("O banco de dados local \"%1\" não está no formato do Access: não há nada a converter.")
                .arg(banco));
        return Sucesso;
    }
    if (formato != FormatoBanco::Jet) {
        terminal.erro(QStringLiteral("O arquivo \"%1\" não é um banco de dados do Access nem do programa.").arg(banco));
        return Falha;
    }
    if (!trava.tomada()) {
        terminal.erro(
            QStringLiteral("Não foi possível converter o banco de dados local \"%1\": a pasta do programa não pode "
                           "ser gravada.")
                .arg(banco));
        return Falha;
    }

    removeRestosDeConversao(banco);
    const ResultadoConversao conversao =
        converteBancoLocal(banco, pedido.aceitaPerdas ? Perdas::Aceitar : Perdas::Recusar);
    for (const LeituraTabela &tabela : conversao.tabelas)
        terminal.saida(linhaTabela(tabela));
    if (conversao.fim != ResultadoConversao::Fim::Convertido) {
        terminal.erro(textoConversaoRecusada(banco, *conversao.erro));
        if (!conversao.tabelas.isEmpty())
            terminal.erro(QStringLiteral("Para converter o que pôde ser lido, aceitando a perda do resto, use "
                                         "\"tavo-upload-cli converter --aceitar-perdas\"."));
        return Falha;
    }
    for (const LeituraTabela &tabela : conversao.tabelas) {
        if (tabela.incompleta())
            terminal.saida(QStringLiteral("Perda aceita: ") + tabela.perda() + QLatin1Char('.'));
    }
    terminal.saida(QStringLiteral("Banco de dados local convertido: \"%1\". O original foi guardado em \"%2\".")
                       .arg(banco, conversao.copia));
    return Sucesso;
}

} // namespace ComandosConsole
