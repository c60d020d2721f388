// "converter": the former client's local database converted on request, with
// what was read of each table shown, and a loss accepted only when asked.
#include "cli/Comandos.h"
#include "cli/TerminalConsole.h"
#include "common/Log.h"
#include "common/TravaPrograma.h"
#include "package/ArquivosTrabalho.h"
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
                                              "fica guardado como UploadCliente.mdb.access).")),
            opcao(QStringLiteral("de"), QStringLiteral("ARQUIVO"),
                  QStringLiteral("Copia antes para a pasta do programa o UploadCliente.mdb do cliente anterior "
                                 "(caminho relativo à pasta atual), que fica intacto; somente quando ainda não há "
                                 "banco de dados local."))};
}

Esperado<void> ConsoleConverter::le(const QCommandLineParser &parser)
{
    m_aceitaPerdas = parser.isSet(QStringLiteral("aceitar-perdas"));
    if (parser.isSet(QStringLiteral("de"))) {
        const QString de = parser.value(QStringLiteral("de"));
        if (de.trimmed().isEmpty())
            return usoIncorreto(QStringLiteral("A opção --de precisa do caminho do UploadCliente.mdb antigo."));
        m_de = QFileInfo(de).absoluteFilePath();
    }
    return {};
}

int ConsoleConverter::executa(const Instalacao &instalacao, TerminalConsole &terminal)
{
    const QString banco = instalacao.bancoLocal();
    if (!m_de.isEmpty())
        if (const int codigo = trazAnterior(instalacao, terminal); codigo != CodigosSaida::Sucesso)
            return codigo;
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

// The former client's database copied into the program's folder, under the
// program folder's lock, so that no start puts the template there
// meanwhile; a local database already there is never replaced.
int ConsoleConverter::trazAnterior(const Instalacao &instalacao, TerminalConsole &terminal)
{
    const QString banco = instalacao.bancoLocal();
    if (!m_trava || !m_trava->tomada()) {
        terminal.falha(
            QStringLiteral("Não foi possível copiar \"%1\": a pasta do programa não pode ser gravada.").arg(m_de));
        return CodigosSaida::EntradaSaida;
    }
    if (QFileInfo::exists(banco) || QFileInfo(banco).isSymLink()) {
        terminal.falha(QStringLiteral("Já existe um banco de dados local em \"%1\"; nada foi copiado.").arg(banco));
        return CodigosSaida::Falha;
    }
    if (!QFileInfo(m_de).isFile()) {
        terminal.falha(QStringLiteral("O arquivo \"%1\" não foi encontrado.").arg(m_de));
        return CodigosSaida::DadosInvalidos;
    }
    if (formatoDoBanco(m_de) != FormatoBanco::Jet) {
        terminal.falha(QStringLiteral("O arquivo \"%1\" não é um banco de dados do Access.").arg(m_de));
        return CodigosSaida::DadosInvalidos;
    }
    try {
        CopiaArquivo(instalacao, m_de, banco);
    } catch (const ErroTavo &erro) {
        terminal.falha(
            QStringLiteral("Não foi possível copiar \"%1\" para \"%2\": %3").arg(m_de, banco, erro.descricao()));
        return CodigosSaida::EntradaSaida;
    }
    qCInfo(lcBanco).noquote() << "Former client's database copied from" << m_de << "to" << banco;
    terminal.saida(QStringLiteral("Copiado \"%1\" para \"%2\".").arg(m_de, banco));
    return CodigosSaida::Sucesso;
}
