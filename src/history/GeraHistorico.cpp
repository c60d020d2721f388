#include "history/GeraHistorico.h"

#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Log.h"
#include "history/RelatorioHistorico.h"
#include "store/Banco.h"
#include "store/CompatibilidadeJet.h"
#include "store/Historico.h"

#include <initializer_list>

namespace {

// The send's moment written day first. The engine hands it back as ISO text
// ("yyyy-mm-dd hh:mm:ss"); that form is rearranged directly, which matters
// for months of thousands of sends. Anything else goes through Format.
QString dataDoEnvio(const QVariant &valor)
{
    const QString iso = valor.toString();
    const auto digitos = [&iso](std::initializer_list<int> posicoes) {
        for (int i : posicoes) {
            if (!iso.at(i).isDigit())
                return false;
        }
        return true;
    };
    if (valor.typeId() == QMetaType::QString && iso.size() == 19 && iso.at(4) == QLatin1Char('-')
        && iso.at(7) == QLatin1Char('-') && (iso.at(10) == QLatin1Char(' ') || iso.at(10) == QLatin1Char('T'))
        && iso.at(13) == QLatin1Char(':') && iso.at(16) == QLatin1Char(':')
        && digitos({0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})) {
        return iso.mid(8, 2) + QLatin1Char('/') + iso.mid(5, 2) + QLatin1Char('/') + iso.left(4) + QLatin1Char(' ')
               + iso.mid(11, 8);
    }
    return CompatibilidadeJet::formata(valor, QStringLiteral("dd/mm/yyyy hh:mm:ss"));
}

QString textoDoCampo(const ConsultaBanco &consulta, const QString &coluna)
{
    // A NULL reads as empty text, as it does when joined into a line.
    return consulta.campo(coluna).toString();
}

} // namespace

namespace {

const QString kOrigemHistorico = QStringLiteral(
    " FROM ACE_ESTRUT_ORGN INNER JOIN HISTORICO ON ACE_ESTRUT_ORGN.codigo = HISTORICO.codigo_ace_estrut_orgn");

// The month and type of the report, and its order: every query of the
// history picks its rows with this.
QString filtroHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo)
{
    QString filtro = QStringLiteral(" WHERE (((Format(HISTORICO.data_Envio,'mm/yyyy'))='");
    filtro += CompatibilidadeJet::formata(QVariant(static_cast<int>(mes)), QStringLiteral("00"));
    filtro += QLatin1Char('/');
    filtro += QString::number(ano);
    filtro += QStringLiteral("'))");
    if (tipo == 1)
        filtro += QStringLiteral(" AND TIPO_TRANSMISSAO='PERIO'");
    else if (tipo == 2)
        filtro += QStringLiteral(" AND TIPO_TRANSMISSAO='ANUAL'");
    filtro += QStringLiteral(" ORDER BY data_envio DESC");
    return filtro;
}

// A column of the row's receipt, the latest when there are several.
QString colunaDoRecibo(const QString &coluna)
{
    return QStringLiteral("(SELECT recibo_envio.%1 FROM recibo_envio WHERE recibo_envio.nome_arquivo = "
                          "HISTORICO.nome_arquivo AND recibo_envio.data_envio = HISTORICO.data_envio"
                          " ORDER BY recibo_envio.rowid DESC LIMIT 1) AS recibo_%1")
        .arg(coluna);
}

} // namespace

QString ComandoHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo)
{
    QString comando = QStringLiteral(
        "SELECT ACE_ESTRUT_ORGN.codigo, ACE_ESTRUT_ORGN.descricao, HISTORICO.data_Envio, HISTORICO.codigo_escola, "
        "HISTORICO.nome_arquivo, Format(HISTORICO.data_Envio,'dd/mm/yyyy') AS DATA_ABREV, HISTORICO.TIPO_TRANSMISSAO");
    comando += kOrigemHistorico;
    comando += filtroHistorico(mes, ano, tipo);
    return comando;
}

QString ComandoEnviosComRecibo(std::int16_t mes, std::int16_t ano, std::int16_t tipo, bool comRecibos)
{
    QString comando = QStringLiteral("SELECT ACE_ESTRUT_ORGN.codigo, ACE_ESTRUT_ORGN.descricao, HISTORICO.data_Envio, "
                                     "HISTORICO.codigo_escola, HISTORICO.nome_arquivo, HISTORICO.TIPO_TRANSMISSAO, ");
    comando += comRecibos ? colunaDoRecibo(QStringLiteral("tamanho")) + QStringLiteral(", ")
                                + colunaDoRecibo(QStringLiteral("sha256"))
                          : QStringLiteral("NULL AS recibo_tamanho, NULL AS recibo_sha256");
    comando += kOrigemHistorico;
    comando += filtroHistorico(mes, ano, tipo);
    return comando;
}

namespace {

std::optional<QString> geraHistorico(const Instalacao &instalacao, std::int16_t mes, std::int16_t ano,
                                     std::int16_t tipo, AposAtualizar apos)
{
    qCInfo(lcHistorico).noquote() << "History report of"
                                  << QStringLiteral("%1/%2").arg(mes, 2, 10, QLatin1Char('0')).arg(ano) << "type"
                                  << tipo;
    const QString comando = ComandoHistorico(mes, ano, tipo);
    try {
        SessaoBanco sessao(instalacao.bancoLocal());
        if (ConsultaHistorico(sessao, comando, apos) == LeituraHistorico::TabelaAtualizada) {
            sessao.fecha();
            return std::nullopt;
        }

        // The month name is asked for only now, after the query, so that an old
        // table is upgraded whatever month is chosen.
        RelatorioHistorico::Montador montador(mes, ano);
        qsizetype linhas = 0;
        ConsultaBanco &consulta = sessao.Consulta;
        while (!consulta.fim()) {
            montador.acrescenta(dataDoEnvio(consulta.campo(QStringLiteral("data_envio"))),
                                textoDoCampo(consulta, QStringLiteral("descricao")),
                                textoDoCampo(consulta, QStringLiteral("codigo_escola")),
                                textoDoCampo(consulta, QStringLiteral("nome_arquivo")),
                                textoDoCampo(consulta, QStringLiteral("TIPO_TRANSMISSAO")));
            consulta.proximo();
            ++linhas;
        }
        QString texto = montador.termina();
        sessao.fecha();
        qCInfo(lcHistorico) << "History report done:" << linhas << "sends";
        return texto;
    } catch (const ErroTavo &erro) {
        qCWarning(lcHistorico).noquote() << "History report not made:" << erro.relato() << "- statement:" << comando;
        throw;
    }
}

} // namespace

QString GeraHistorico(const Instalacao &instalacao, std::int16_t mes, std::int16_t ano, std::int16_t tipo)
{
    // Made again after an upgrade, there is always a report.
    return geraHistorico(instalacao, mes, ano, tipo, AposAtualizar::Repete).value();
}

std::optional<QString> GeraHistoricoOuAtualiza(const Instalacao &instalacao, std::int16_t mes, std::int16_t ano,
                                               std::int16_t tipo)
{
    return geraHistorico(instalacao, mes, ano, tipo, AposAtualizar::Encerra);
}

QList<EnvioRegistrado> EnviosDoMes(const Instalacao &instalacao, std::int16_t mes, std::int16_t ano, std::int16_t tipo)
{
    QString comando;
    try {
        SessaoBanco sessao(instalacao.bancoLocal());
        // A database of the former client, read through a copy, has no
        // receipts: its rows come without them.
        sessao.ComandoSql = QStringLiteral("SELECT count(*) AS n FROM sqlite_master WHERE type = 'table' AND "
                                           "lower(name) = 'recibo_envio'");
        sessao.Consulta.abre(sessao.ComandoSql);
        const bool comRecibos = sessao.Consulta.campo(QStringLiteral("n")).toInt() > 0;
        comando = ComandoEnviosComRecibo(mes, ano, tipo, comRecibos);
        // An old table is upgraded, then read, as for the report.
        ConsultaHistorico(sessao, comando, AposAtualizar::Repete);
        QList<EnvioRegistrado> envios;
        ConsultaBanco &consulta = sessao.Consulta;
        while (!consulta.fim()) {
            EnvioRegistrado envio;
            const QVariant data = consulta.campo(QStringLiteral("data_envio"));
            envio.dataEnvio = dataDoEnvio(data);
            envio.momento = QDateTime::fromString(envio.dataEnvio, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
            envio.codigoEscritorio = textoDoCampo(consulta, QStringLiteral("codigo"));
            envio.escritorio = textoDoCampo(consulta, QStringLiteral("descricao"));
            envio.codigoEscola = textoDoCampo(consulta, QStringLiteral("codigo_escola"));
            envio.nomeArquivo = textoDoCampo(consulta, QStringLiteral("nome_arquivo"));
            envio.tipo = textoDoCampo(consulta, QStringLiteral("TIPO_TRANSMISSAO"));
            const QVariant sha256 = consulta.campo(QStringLiteral("recibo_sha256"));
            if (!sha256.isNull())
                envio.recibo =
                    ReciboDoEnvio{consulta.campo(QStringLiteral("recibo_tamanho")).toLongLong(), sha256.toString()};
            envios.append(envio);
            consulta.proximo();
        }
        sessao.fecha();
        return envios;
    } catch (const ErroTavo &erro) {
        qCWarning(lcHistorico).noquote() << "History rows not read:" << erro.relato() << "- statement:" << comando;
        throw;
    }
}
