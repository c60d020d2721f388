#include "store/AtualizaSRE.h"

#include "common/Caminhos.h"
#include "store/Banco.h"
#include "store/EscritoriosRegionais.h"
#include "store/LiteraisSql.h"

void AtualizaSRE()
{
    AbreBanco(Caminhos::naPastaPrograma(QStringLiteral("\\uploadcliente.mdb")));
    for (const EscritorioRegional &escritorio : escritoriosRegionais()) {
        // The town is quoted like any other value; the shipped names have no quote.
        ComandoSql = QStringLiteral("update ACE_ESTRUT_ORGN set descricao=")
                     + LiteraisSql::texto(QStringLiteral("SSRE DE ") + escritorio.cidade)
                     + QStringLiteral(" where codigo = ") + QString::number(escritorio.codigo);
        Conexao().execute(ComandoSql);
    }
    FechaBanco();
}
