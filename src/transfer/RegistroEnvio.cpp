#include "transfer/RegistroEnvio.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Relogio.h"
#include "store/Banco.h"
#include "store/LiteraisSql.h"

namespace {

// Closes the shared database when the recording ends, however it ends.
struct FechaAoSair
{
    ~FechaAoSair()
    {
        try {
            FechaBanco();
        } catch (const ErroTavo &) {
            // Already closed (the opening failed): nothing to release.
        }
    }
};

void atualizaHistoricoAntigo()
{
    ComandoSql = QStringLiteral("ALTER TABLE Historico ADD COLUMN tipo_transmissao string");
    Conexao().execute(ComandoSql);
    ComandoSql = QStringLiteral("update historico set tipo_transmissao='ANUAL'");
    Conexao().execute(ComandoSql);
}

} // namespace

QString comandoRegistraEnvio(const EnvioConcluido &envio, const QDateTime &momento)
{
    return QStringLiteral("insert into Historico (Nome_arquivo,data_envio,codigo_ace_estrut_orgn,codigo_escola,"
                          "tipo_transmissao) values(") +
           LiteraisSql::texto(envio.nomeArquivo) + QLatin1Char(',') +
           LiteraisSql::texto(momento.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))) + QLatin1Char(',') +
           LiteraisSql::numero(envio.codigoEscritorio.trimmed()) + QLatin1Char(',') +
           LiteraisSql::numero(envio.codigoEscola.trimmed()) + QLatin1Char(',') + LiteraisSql::texto(envio.tipo) +
           QLatin1Char(')');
}

void RegistraEnvio(const EnvioConcluido &envio)
{
    // Built first: a code that is not a number stops here, with nothing opened.
    const QString insercao = comandoRegistraEnvio(envio, Relogio::agora());

    FechaAoSair fecha;
    AbreBanco(Caminhos::naPastaPrograma(Caminhos::bancoLocal()));
    ComandoSql = QStringLiteral("select tipo_transmissao from historico");
    try {
        Consulta().abre(ComandoSql);
        Consulta().fecha();
    } catch (const ErroTavo &erro) {
        Consulta().fecha();
        // An unknown column is how the engine says the table is an old one;
        // any other failure leaves the table as it is, and the insert below
        // reports it.
        if (erro.numero() == Erros::ColunaInexistente)
            atualizaHistoricoAntigo();
    }
    ComandoSql = insercao;
    Conexao().execute(ComandoSql);
}
