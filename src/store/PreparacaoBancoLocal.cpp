#include "store/PreparacaoBancoLocal.h"

#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "store/Banco.h"
#include "store/ConversaoBancoLocal.h"
#include "store/EscritoriosRegionais.h"
#include "store/Provisionamento.h"
#include "store/ReciboEnvio.h"

QString textoConversaoRecusada(const QString &banco, const ErroTavo &erro)
{
    return QStringLiteral("Não foi possível converter o banco de dados local \"%1\" do formato do Access.").arg(banco)
           + QStringLiteral("\r\n") + erro.descricao() + QStringLiteral("\r\n")
           + QStringLiteral("O arquivo original não foi alterado. Até que a conversão seja feita, "
                            "nenhuma alteração poderá ser gravada.");
}

bool preparaBancoLocal(const Instalacao &instalacao, Interlocutor &interlocutor)
{
    const QString banco = instalacao.bancoLocal();
    removeRestosDeConversao(banco);
    // The conversion logs how it went.
    // The offices' list is read only for a database to convert.
    const ResultadoConversao conversao =
        converteBancoLocal(banco, formatoDoBanco(banco) == FormatoBanco::Jet ? escritoriosRegionais(instalacao)
                                                                             : QList<EscritorioRegional>{});
    if (conversao.fim == ResultadoConversao::Fim::Recusado) {
        interlocutor.avisa(textoConversaoRecusada(banco, *conversao.erro), Mensagens::Icone::Critico,
                           QStringLiteral("TAVO"));
        return false;
    }

    try {
        garanteBancoLocal(instalacao);
        // A database of an earlier version gets the receipts' table now; the
        // former client's (not yet converted) takes no change.
        if (formatoDoBanco(banco) == FormatoBanco::SQLite) {
            SessaoBanco sessao(banco);
            if (ReciboEnvio::garanteTabela(sessao))
                qCInfo(lcBanco).noquote() << "Receipt table added to" << banco;
            sessao.fecha();
        }
    } catch (const ErroTavo &erro) {
        // Whatever reads the database next reports the one it cannot read.
        qCWarning(lcBanco).noquote() << "Local database not made ready:" << banco << "-" << erro.relato();
    }
    return true;
}
