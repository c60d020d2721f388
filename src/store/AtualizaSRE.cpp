#include "store/AtualizaSRE.h"

#include "common/Instalacao.h"
#include "store/Banco.h"
#include "store/LiteraisSql.h"

void AtualizaSRE(const Instalacao &instalacao)
{
    AtualizaSRE(instalacao, escritoriosRegionais(instalacao));
}

void AtualizaSRE(const Instalacao &instalacao, const QList<EscritorioRegional> &escritorios)
{
    SessaoBanco sessao(instalacao.naPastaPrograma(QStringLiteral("\\uploadcliente.mdb")));
    for (const EscritorioRegional &escritorio : escritorios) {
        // A placeholder would overwrite the office's real name (one an
        // office brought from the former client, say).
        if (escritorio.provisorio)
            continue;
        // The town is quoted like any other value; the shipped names have no quote.
        sessao.ComandoSql = QStringLiteral("update ACE_ESTRUT_ORGN set descricao=")
                            + LiteraisSql::texto(QStringLiteral("SSRE DE ") + escritorio.cidade)
                            + QStringLiteral(" where codigo = ") + QString::number(escritorio.codigo);
        sessao.Conexao.execute(sessao.ComandoSql);
    }
    sessao.fecha();
}
