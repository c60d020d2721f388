#include "store/PreparacaoBancoLocal.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "store/ConversaoBancoLocal.h"
#include "store/Provisionamento.h"

QString textoConversaoRecusada(const QString &banco, const ErroTavo &erro)
{
    return QStringLiteral("Não foi possível converter o banco de dados local \"%1\" do formato do Access.").arg(banco)
           + QStringLiteral("\r\n") + erro.descricao() + QStringLiteral("\r\n")
           + QStringLiteral("O arquivo original não foi alterado. Até que a conversão seja feita, "
                            "nenhuma alteração poderá ser gravada.");
}

bool preparaBancoLocal(Interlocutor &interlocutor)
{
    const QString banco = Caminhos::naPastaPrograma(Caminhos::bancoLocal());
    removeRestosDeConversao(banco);
    // The conversion logs how it went.
    const ResultadoConversao conversao = converteBancoLocal(banco);
    if (conversao.fim == ResultadoConversao::Fim::Recusado) {
        interlocutor.avisa(textoConversaoRecusada(banco, *conversao.erro), Mensagens::Icone::Critico,
                           QStringLiteral("TAVO"));
        return false;
    }

    try {
        garanteBancoLocal();
    } catch (const ErroTavo &erro) {
        // Whatever reads the database next reports the one it cannot read.
        qCWarning(lcBanco).noquote() << "Local database not made ready:" << banco << "-" << erro.relato();
    }
    return true;
}
