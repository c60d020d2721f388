// "converter": the former client's local database converted on request, with
// what was read of each table shown, and a loss accepted only when asked.
#include "cli/Comandos.h"
#include "cli/TerminalConsole.h"
#include "common/Log.h"
#include "common/TravaPrograma.h"
#include "store/Banco.h"
#include "store/ConversaoBancoLocal.h"
#include "store/PreparacaoBancoLocal.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

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

QString ConsoleConverter::descricao() const
{
    return QStringLiteral("Converte o banco de dados local do cliente anterior (formato do Access) e mostra, por "
                          "tabela, as linhas que o arquivo declara e as que foram lidas. Um arquivo danificado, que "
                          "não pode ser lido por inteiro, não é convertido.");
}

QList<QCommandLineOption> ConsoleConverter::opcoes() const
{
    return {QCommandLineOption(QStringLiteral("aceitar-perdas"),
                               QStringLiteral("Converte um arquivo danificado com o que pôde ser lido (o original "
                                              "fica guardado como UploadCliente.mdb.access)."))};
}

Esperado<void> ConsoleConverter::le(const QCommandLineParser &parser)
{
    m_aceitaPerdas = parser.isSet(QStringLiteral("aceitar-perdas"));
    return {};
}

int ConsoleConverter::executa(const Instalacao &instalacao, TerminalConsole &terminal)
{
    const QString banco = instalacao.bancoLocal();
    const FormatoBanco formato = formatoDoBanco(banco);
    if (formato == FormatoBanco::SQLite || !QFileInfo::exists(banco)) {
        terminal.saida(
            QStringLiteral("O banco de dados local \"%1\" não está no formato do Access: não há nada a converter.")
                .arg(banco));
        terminal.defineJson(
            {{QStringLiteral("resultado"), QStringLiteral("nada a converter")}, {QStringLiteral("banco"), banco}});
        return CodigosSaida::Sucesso;
    }
    if (formato != FormatoBanco::Jet) {
        terminal.falha(
            QStringLiteral("O arquivo \"%1\" não é um banco de dados do Access nem do programa.").arg(banco));
        return CodigosSaida::DadosInvalidos;
    }
    if (!m_trava || !m_trava->tomada()) {
        terminal.falha(
            QStringLiteral("Não foi possível converter o banco de dados local \"%1\": a pasta do programa não pode "
                           "ser gravada.")
                .arg(banco));
        return CodigosSaida::EntradaSaida;
    }

    removeRestosDeConversao(banco);
    const ResultadoConversao conversao =
        converteBancoLocal(banco, escritoriosRegionais(instalacao), m_aceitaPerdas ? Perdas::Aceitar : Perdas::Recusar);
    QJsonArray tabelas;
    for (const LeituraTabela &tabela : conversao.tabelas) {
        terminal.saida(linhaTabela(tabela));
        tabelas.append(QJsonObject{
            {QStringLiteral("tabela"), tabela.nome},
            {QStringLiteral("declaradas"),
             tabela.lida() ? QJsonValue(static_cast<qint64>(tabela.declaradas)) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("lidas"), static_cast<qint64>(tabela.lidas)},
            {QStringLiteral("paginas_ilegiveis"), static_cast<qint64>(tabela.paginasIlegiveis)}});
    }
    if (conversao.fim != ResultadoConversao::Fim::Convertido) {
        terminal.falha(textoConversaoRecusada(banco, *conversao.erro));
        terminal.defineCausa(conversao.erro->detalhe().isEmpty() ? conversao.erro->descricao()
                                                                 : conversao.erro->detalhe());
        if (!conversao.tabelas.isEmpty())
            terminal.falha(QStringLiteral("Para converter o que pôde ser lido, aceitando a perda do resto, use "
                                          "\"tavo-upload-cli converter --aceitar-perdas\"."));
        return CodigosSaida::DadosInvalidos;
    }
    QJsonArray perdas;
    for (const LeituraTabela &tabela : conversao.tabelas) {
        if (tabela.incompleta()) {
            terminal.saida(QStringLiteral("Perda aceita: ") + tabela.perda() + QLatin1Char('.'));
            perdas.append(tabela.perda());
        }
    }
    terminal.saida(QStringLiteral("Banco de dados local convertido: \"%1\". O original foi guardado em \"%2\".")
                       .arg(banco, conversao.copia));
    terminal.defineJson({{QStringLiteral("resultado"), QStringLiteral("convertido")},
                         {QStringLiteral("banco"), banco},
                         {QStringLiteral("copia"), conversao.copia},
                         {QStringLiteral("tabelas"), tabelas},
                         {QStringLiteral("perdas_aceitas"), perdas}});
    return CodigosSaida::Sucesso;
}
