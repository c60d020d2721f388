#include "store/Historico.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "store/Banco.h"
#include "store/CompatibilidadeJet.h"

#include <QSqlDatabase>

void AtualizaTabelaHistorico()
{
    SessaoBanco sessao(Caminhos::naPastaPrograma(Caminhos::bancoLocal()));
    {
        // The handle is let go before the session releases the connection.
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
    sessao.fecha();
}
