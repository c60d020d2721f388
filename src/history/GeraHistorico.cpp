#include "history/GeraHistorico.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "history/RelatorioHistorico.h"
#include "store/Banco.h"
#include "store/CompatibilidadeJet.h"

#include <QSqlDatabase>

#include <initializer_list>

namespace {

// Closes the local database when a step fails half way, so that a failed
// refresh leaves no connection (and no lock on the file) behind.
class FechaNaFalha
{
public:
    FechaNaFalha() = default;
    FechaNaFalha(const FechaNaFalha &) = delete;
    FechaNaFalha &operator=(const FechaNaFalha &) = delete;
    ~FechaNaFalha()
    {
        if (m_concluido || !Conexao().aberta())
            return;
        try {
            FechaBanco();
        } catch (const ErroTavo &) {
            // The failure that brought us here is the one the caller reports;
            // a second one while cleaning up would only hide it.
        }
    }
    void concluido() { m_concluido = true; }

private:
    bool m_concluido = false;
};

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
    if (valor.typeId() == QMetaType::QString && iso.size() == 19 && iso.at(4) == QLatin1Char('-') &&
        iso.at(7) == QLatin1Char('-') && (iso.at(10) == QLatin1Char(' ') || iso.at(10) == QLatin1Char('T')) &&
        iso.at(13) == QLatin1Char(':') && iso.at(16) == QLatin1Char(':') &&
        digitos({0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})) {
        return iso.mid(8, 2) + QLatin1Char('/') + iso.mid(5, 2) + QLatin1Char('/') + iso.left(4) + QLatin1Char(' ') +
               iso.mid(11, 8);
    }
    return CompatibilidadeJet::formata(valor, QStringLiteral("dd/mm/yyyy hh:mm:ss"));
}

QString textoDoCampo(const QString &coluna)
{
    // A NULL reads as empty text, as it does when joined into a line.
    return Consulta().campo(coluna).toString();
}

} // namespace

QString ComandoHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo)
{
    QString comando = QStringLiteral(
        "SELECT ACE_ESTRUT_ORGN.codigo, ACE_ESTRUT_ORGN.descricao, HISTORICO.data_Envio, HISTORICO.codigo_escola, "
        "HISTORICO.nome_arquivo, Format(HISTORICO.data_Envio,'dd/mm/yyyy') AS DATA_ABREV, HISTORICO.TIPO_TRANSMISSAO");
    comando += QStringLiteral(
        " FROM ACE_ESTRUT_ORGN INNER JOIN HISTORICO ON ACE_ESTRUT_ORGN.codigo = HISTORICO.codigo_ace_estrut_orgn");
    comando += QStringLiteral(" WHERE (((Format(HISTORICO.data_Envio,'mm/yyyy'))='");
    comando += CompatibilidadeJet::formata(QVariant(static_cast<int>(mes)), QStringLiteral("00"));
    comando += QLatin1Char('/');
    comando += QString::number(ano);
    comando += QStringLiteral("'))");
    if (tipo == 1)
        comando += QStringLiteral(" AND TIPO_TRANSMISSAO='PERIO'");
    else if (tipo == 2)
        comando += QStringLiteral(" AND TIPO_TRANSMISSAO='ANUAL'");
    comando += QStringLiteral(" ORDER BY data_envio DESC");
    return comando;
}

QString GeraHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo)
{
    FechaNaFalha guarda;
    AbreBanco(Caminhos::naPastaPrograma(Caminhos::bancoLocal()));
    ComandoSql = ComandoHistorico(mes, ano, tipo);
    Consulta().abre(ComandoSql);

    // The month name is asked for only now, after the query, so that an old
    // table is upgraded whatever month is chosen.
    RelatorioHistorico::Montador montador(mes, ano);
    while (!Consulta().fim()) {
        montador.acrescenta(dataDoEnvio(Consulta().campo(QStringLiteral("data_envio"))),
                            textoDoCampo(QStringLiteral("descricao")), textoDoCampo(QStringLiteral("codigo_escola")),
                            textoDoCampo(QStringLiteral("nome_arquivo")),
                            textoDoCampo(QStringLiteral("TIPO_TRANSMISSAO")));
        Consulta().proximo();
    }
    QString texto = montador.termina();
    FechaBanco();
    guarda.concluido();
    return texto;
}

void AtualizaTabelaHistorico()
{
    FechaNaFalha guarda;
    AbreBanco(Caminhos::naPastaPrograma(Caminhos::bancoLocal()));
    {
        // The handle is let go before FechaBanco releases the connection.
        QSqlDatabase banco = Conexao().banco();
        // Both statements or neither: a column added without the marking
        // would leave the old rows out of the "Anual" report for good.
        const bool emTransacao = banco.transaction();
        try {
            ComandoSql = QStringLiteral("ALTER TABLE Historico ADD COLUMN tipo_transmissao string");
            Conexao().execute(ComandoSql);
            ComandoSql = QStringLiteral("update historico set tipo_transmissao='ANUAL'");
            Conexao().execute(ComandoSql);
            if (emTransacao && !banco.commit())
                throw CompatibilidadeJet::erroDoBanco(banco.lastError());
        } catch (const ErroTavo &) {
            if (emTransacao)
                banco.rollback();
            throw;
        }
    }
    FechaBanco();
    guarda.concluido();
}
