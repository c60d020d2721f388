#include "store/PreparacaoBancoLocal.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "store/ConversaoBancoLocal.h"
#include "store/Provisionamento.h"

void preparaBancoLocal(Interlocutor &interlocutor)
{
    const QString banco = Caminhos::naPastaPrograma(Caminhos::bancoLocal());
    try {
        // The conversion logs how it went.
        converteBancoLocal(banco);
    } catch (const ErroTavo &erro) {
        interlocutor.avisa(
            QStringLiteral("Não foi possível converter o banco de dados local \"%1\" do formato do Access.").arg(banco)
                + QStringLiteral("\r\n") + erro.descricao() + QStringLiteral("\r\n")
                + QStringLiteral("O arquivo original não foi alterado. Até que a conversão seja feita, "
                                 "nenhuma alteração poderá ser gravada."),
            Mensagens::Icone::Critico, QStringLiteral("TAVO"));
    }

    try {
        garanteBancoLocal();
    } catch (const ErroTavo &erro) {
        // Whatever reads the database next reports the one it cannot read.
        qCWarning(lcBanco).noquote() << "Local database not made ready:" << banco << "-" << erro.relato();
    }
}
