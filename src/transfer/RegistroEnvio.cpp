#include "transfer/RegistroEnvio.h"

#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Relogio.h"
#include "store/Banco.h"
#include "store/Historico.h"
#include "store/LiteraisSql.h"
#include "store/ReciboEnvio.h"

namespace {

// Names the column the record needs: on an old table the engine says it is
// missing, and the store upgrades the table.
const QString kConfereTipo = QStringLiteral("select tipo_transmissao from historico");

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

void RegistraEnvio(const Instalacao &instalacao, const EnvioConcluido &envio)
{
    // Built first: a code that is not a number stops here, with nothing opened.
    const QString insercao = comandoRegistraEnvio(envio, Relogio::agora());

    SessaoBanco sessao(instalacao.bancoLocal());
    try {
        // The store's upgrade, the one the history window runs: the column
        // and the marking of the old rows in one transaction.
        ConsultaHistorico(sessao, kConfereTipo, AposAtualizar::Encerra);
    } catch (const ErroTavo &) {
        // A failed upgrade is the record's failure. Any other failure of the
        // check leaves the table as it is, and the insert reports it.
        if (sessao.ComandoSql != kConfereTipo)
            throw;
    }
    sessao.Consulta.fecha();
    // The record and its receipt: a send recorded without its receipt, or
    // a receipt of no record, is never left behind.
    TransacaoBanco transacao(sessao);
    ReciboEnvio::garanteTabela(sessao);
    sessao.ComandoSql = insercao;
    sessao.Conexao.execute(sessao.ComandoSql);
    ReciboEnvio::registraDoUltimo(sessao, envio.tamanho, envio.sha256);
    transacao.confirma();
    sessao.fecha();
}
