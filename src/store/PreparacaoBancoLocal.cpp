#include "store/PreparacaoBancoLocal.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Interlocutor.h"
#include "store/ConversaoBancoLocal.h"
#include "store/Provisionamento.h"

#include <QDebug>

void preparaBancoLocal(Interlocutor &interlocutor)
{
    const QString banco = Caminhos::naPastaPrograma(Caminhos::bancoLocal());
    try {
        const QString copia = converteBancoLocal(banco);
        if (!copia.isEmpty())
            qInfo().noquote() << "Local database converted from the Access format:" << banco << "- original kept as"
                              << copia;
    } catch (const ErroTavo &erro) {
        qWarning().noquote() << "Local database not converted:" << banco << "-" << erro.descricao();
        interlocutor.avisa(
            QStringLiteral("Não foi possível converter o banco de dados local \"%1\" do formato do Access.").arg(banco)
                + QStringLiteral("\r\n") + erro.descricao() + QStringLiteral("\r\n")
                + QStringLiteral("O arquivo original não foi alterado. Até que a conversão seja feita, "
                                 "nenhuma alteração poderá ser gravada."),
            Mensagens::Icone::Critico, QStringLiteral("TAVO"));
    }

    try {
        garanteBancoLocal();
    } catch (const ErroTavo &) {
        // Whatever reads the database next reports the one it cannot read.
    }
}
