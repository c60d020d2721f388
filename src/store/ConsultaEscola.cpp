#include "store/ConsultaEscola.h"

#include "store/Banco.h"

namespace {

QString normaliza(const QString &valor)
{
    return valor.trimmed().toUpper();
}

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

std::optional<DadosEscola> ConsultaDadosEscola(const QString &caminhoLocal)
{
    // Closed on every way out, so the caller may open another database at once.
    SessaoBanco sessao(caminhoLocal);
    sessao.ComandoSql = ComandoIdentificacao();
    ConsultaBanco &consulta = sessao.Consulta;
    consulta.abre(sessao.ComandoSql);
    if (consulta.fim())
        return std::nullopt;
    DadosEscola dados;
    dados.codigoSRE = normaliza(consulta.texto(QStringLiteral("CODIGO")));
    dados.sre = normaliza(consulta.texto(QStringLiteral("descricao")));
    dados.escola = normaliza(consulta.texto(QStringLiteral("Escola")));
    dados.codigoEscola = normaliza(consulta.texto(QStringLiteral("codigo_mec")));
    return dados;
}
