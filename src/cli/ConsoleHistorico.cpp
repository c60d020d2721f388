// "historico": the month's report, as the history window shows it.
#include "cli/Comandos.h"
#include "cli/TerminalConsole.h"
#include "common/Erro.h"
#include "common/Relogio.h"
#include "history/GeraHistorico.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

QString ConsoleHistorico::descricao() const
{
    return QStringLiteral("Mostra o histórico de envios de um mês, como a janela de histórico o imprime.");
}

QList<QCommandLineOption> ConsoleHistorico::opcoes() const
{
    return {opcao(QStringLiteral("mes"), QStringLiteral("M"), QStringLiteral("O mês, de 1 a 12 (padrão: o atual).")),
            opcao(QStringLiteral("ano"), QStringLiteral("A"), QStringLiteral("O ano, de 1 a 9999 (padrão: o atual).")),
            opcao(QStringLiteral("tipo"), QStringLiteral("todos|periodica|anual"),
                  QStringLiteral("Os envios de um tipo só (padrão: todos)."))};
}

Esperado<void> ConsoleHistorico::le(const QCommandLineParser &parser)
{
    static const QRegularExpression digitos(QStringLiteral("^[0-9]+$"));
    if (parser.isSet(QStringLiteral("mes"))) {
        const QString texto = parser.value(QStringLiteral("mes"));
        const int mes = texto.toInt();
        if (texto.size() > 2 || !digitos.match(texto).hasMatch() || mes < 1 || mes > 12)
            return usoIncorreto(QStringLiteral("O mês é um número de 1 a 12, não \"%1\".").arg(texto));
        m_mes = static_cast<std::int16_t>(mes);
    }
    if (parser.isSet(QStringLiteral("ano"))) {
        const QString texto = parser.value(QStringLiteral("ano"));
        if (texto.size() > 4 || !digitos.match(texto).hasMatch())
            return usoIncorreto(
                QStringLiteral("O ano é informado somente com números, até quatro, não \"%1\".").arg(texto));
        if (texto.toInt() < 1)
            return usoIncorreto(QStringLiteral("O ano é um número de 1 a 9999, não \"%1\".").arg(texto));
        m_ano = static_cast<std::int16_t>(texto.toInt());
    }
    if (parser.isSet(QStringLiteral("tipo"))) {
        const QString texto = parser.value(QStringLiteral("tipo"));
        const QStringList tipos{QStringLiteral("todos"), QStringLiteral("periodica"), QStringLiteral("anual")};
        if (!tipos.contains(tipoDigitado(texto)))
            return usoIncorreto(
                QStringLiteral("O tipo de transmissão é \"todos\", \"periodica\" ou \"anual\", não \"%1\".")
                    .arg(texto));
        m_tipo = static_cast<std::int16_t>(tipos.indexOf(tipoDigitado(texto)));
    }
    return {};
}

int ConsoleHistorico::executa(const Instalacao &instalacao, TerminalConsole &terminal)
{
    const QDate hoje = Relogio::agora().date();
    const std::int16_t mes = m_mes.value_or(static_cast<std::int16_t>(hoje.month()));
    const std::int16_t ano = m_ano.value_or(static_cast<std::int16_t>(hoje.year()));
    QString relatorio;
    QList<EnvioRegistrado> envios;
    try {
        // A table from before the type was recorded is upgraded, then the
        // report is made again: there is always a report to print.
        if (terminal.modo() == TerminalConsole::Modo::Json)
            envios = EnviosDoMes(instalacao, mes, ano, m_tipo);
        else
            relatorio = GeraHistorico(instalacao, mes, ano, m_tipo);
    } catch (const ErroTavo &erro) {
        terminal.avisa(QStringLiteral("Ocorreu um erro ao gerar o histórico.\r\n") + erro.descricao(),
                       Mensagens::Icone::Informacao);
        terminal.defineCausa(erro.detalhe().isEmpty() ? erro.descricao() : erro.detalhe());
        return CodigosSaida::Falha;
    }
    terminal.saidaBruta(relatorio.toUtf8());
    QJsonArray linhas;
    for (const EnvioRegistrado &envio : std::as_const(envios)) {
        QJsonObject linha{{QStringLiteral("data_envio"),
                           envio.momento.isValid() ? envio.momento.toString(Qt::ISODate) : envio.dataEnvio},
                          {QStringLiteral("codigo_escritorio"), envio.codigoEscritorio},
                          {QStringLiteral("escritorio"), envio.escritorio},
                          {QStringLiteral("codigo_escola"), envio.codigoEscola},
                          {QStringLiteral("nome_arquivo"), envio.nomeArquivo},
                          {QStringLiteral("tipo"), envio.tipo}};
        linha.insert(QStringLiteral("recibo"),
                     envio.recibo ? QJsonValue(QJsonObject{{QStringLiteral("tamanho"), envio.recibo->tamanho},
                                                           {QStringLiteral("sha256"), envio.recibo->sha256}})
                                  : QJsonValue(QJsonValue::Null));
        linhas.append(linha);
    }
    terminal.defineJson(
        {{QStringLiteral("mes"), mes},
         {QStringLiteral("ano"), ano},
         {QStringLiteral("tipo"),
          QStringList{QStringLiteral("todos"), QStringLiteral("periodica"), QStringLiteral("anual")}.value(m_tipo)},
         {QStringLiteral("envios"), linhas}});
    return CodigosSaida::Sucesso;
}
