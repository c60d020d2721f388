#include "intake/IdentificacaoEscola.h"

#include "common/Erro.h"
#include "store/Banco.h"

namespace {

QString normaliza(const QString &valor)
{
    return valor.trimmed().toUpper();
}

// Closes the shared connection when the reading ends, also by an error, so
// the caller may open another database at once.
struct FechaAoSair
{
    ~FechaAoSair()
    {
        try {
            if (Conexao().aberta())
                FechaBanco();
        } catch (const ErroTavo &) {
            // Closing a connection that is open does not fail; nothing to report.
        }
    }
};

} // namespace

QString ComandoIdentificacao()
{
    return QStringLiteral("SELECT ace_estrut_orgn.CODIGO, ace_estrut_orgn.descricao, Escola_local.Escola, "
                          "Escola_local.codigo_mec, Escola_local.Cidade")
           + QStringLiteral(" FROM ace_estrut_orgn INNER JOIN Escola_local ON ace_estrut_orgn.codigo = "
                            "Escola_local.codigo_ace_estrut_orgn")
           // Without an order the first row would be whatever the engine's
           // plan visits first; the schools' own order decides instead.
           + QStringLiteral(" ORDER BY Escola_local.rowid");
}

std::optional<DadosEscola> LeDadosEscola(const QString &caminhoLocal)
{
    FechaAoSair fecha;
    AbreBanco(caminhoLocal);
    ComandoSql = ComandoIdentificacao();
    Consulta().abre(ComandoSql);
    if (Consulta().fim())
        return std::nullopt;
    DadosEscola dados;
    dados.codigoSRE = normaliza(Consulta().texto(QStringLiteral("CODIGO")));
    dados.sre = normaliza(Consulta().texto(QStringLiteral("descricao")));
    dados.escola = normaliza(Consulta().texto(QStringLiteral("Escola")));
    dados.codigoEscola = normaliza(Consulta().texto(QStringLiteral("codigo_mec")));
    return dados;
}
