#include "transfer/RegistroEnvio.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Relogio.h"
#include "store/Banco.h"
#include "store/Historico.h"
#include "store/LiteraisSql.h"

#include <optional>

namespace {

// On the open database: the history table is one from before the
// transmission type was recorded.
bool historicoAntigo()
{
    ComandoSql = QStringLiteral("select tipo_transmissao from historico");
    try {
        Consulta().abre(ComandoSql);
        Consulta().fecha();
        return false;
    } catch (const ErroTavo &erro) {
        Consulta().fecha();
        // An unknown column is how the engine says the table is an old one;
        // any other failure leaves the table as it is, and the insert
        // reports it.
        return erro.numero() == Erros::ColunaInexistente;
    }
}

} // namespace

QString comandoRegistraEnvio(const EnvioConcluido &envio, const QDateTime &momento)
{
    return QStringLiteral("insert into Historico (Nome_arquivo,data_envio,codigo_ace_estrut_orgn,codigo_escola,"
                          "tipo_transmissao) values(")
           + LiteraisSql::texto(envio.nomeArquivo) + QLatin1Char(',')
           + LiteraisSql::texto(momento.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))) + QLatin1Char(',')
           + LiteraisSql::numero(envio.codigoEscritorio.trimmed()) + QLatin1Char(',')
           + LiteraisSql::numero(envio.codigoEscola.trimmed()) + QLatin1Char(',') + LiteraisSql::texto(envio.tipo)
           + QLatin1Char(')');
}

void RegistraEnvio(const EnvioConcluido &envio)
{
    // Built first: a code that is not a number stops here, with nothing opened.
    const QString insercao = comandoRegistraEnvio(envio, Relogio::agora());

    const QString banco = Caminhos::naPastaPrograma(Caminhos::bancoLocal());
    std::optional<SessaoBanco> sessao(std::in_place, banco);
    if (historicoAntigo()) {
        // The store's upgrade, the one the history window runs: the column
        // and the marking of the old rows in one transaction. It opens and
        // closes the database itself.
        sessao->fecha();
        AtualizaTabelaHistorico();
        sessao.emplace(banco);
    }
    ComandoSql = insercao;
    Conexao().execute(ComandoSql);
    sessao->fecha();
}
