#include "store/Historico.h"

#include "common/Erro.h"
#include "common/Log.h"
#include "store/Banco.h"
#include "store/CompatibilidadeJet.h"

#include <QSqlDatabase>

LeituraHistorico ConsultaHistorico(SessaoBanco &sessao, const QString &comando, AposAtualizar apos)
{
    try {
        sessao.ComandoSql = comando;
        sessao.Consulta.abre(sessao.ComandoSql);
        return LeituraHistorico::Consultada;
    } catch (const ErroTavo &erro) {
        if (erro.numero() != Erros::ColunaInexistente)
            throw;
        qCInfo(lcHistorico).noquote() << "History table without the type column:" << erro.relato();
    }
    try {
        AtualizaTabelaHistorico(sessao);
    } catch (const ErroTavo &erro) {
        qCWarning(lcHistorico).noquote() << "History table not upgraded:" << erro.relato()
                                         << "- statement:" << sessao.ComandoSql;
        throw;
    }
    qCInfo(lcHistorico) << "History table upgraded: the older sends count as annual";
    if (apos == AposAtualizar::Encerra)
        return LeituraHistorico::TabelaAtualizada;
    sessao.ComandoSql = comando;
    sessao.Consulta.abre(sessao.ComandoSql);
    return LeituraHistorico::Consultada;
}

void AtualizaTabelaHistorico(SessaoBanco &sessao)
{
    // The handle is let go before the session releases the connection.
    QSqlDatabase banco = sessao.Conexao.banco();
    // Both statements or neither: a column added without the marking
    // would leave the old rows out of the "Anual" report for good.
    const bool emTransacao = banco.transaction();
    try {
        sessao.ComandoSql = QStringLiteral("ALTER TABLE Historico ADD COLUMN tipo_transmissao string");
        sessao.Conexao.execute(sessao.ComandoSql);
        sessao.ComandoSql = QStringLiteral("update historico set tipo_transmissao='ANUAL'");
        sessao.Conexao.execute(sessao.ComandoSql);
        if (emTransacao && !banco.commit())
            throw CompatibilidadeJet::erroDoBanco(banco.lastError());
    } catch (const ErroTavo &) {
        if (emTransacao)
            banco.rollback();
        throw;
    }
}
