#include "store/BancoJet.h"

#include "common/Erro.h"

// Placeholder until the Jet reader lands: a Jet file is refused clearly.
std::unique_ptr<ImportadorTabelas> abreBancoJet(const QString &caminho)
{
    throw ErroTavo(Erros::FormatoBancoDesconhecido,
                   QStringLiteral("Arquivos do Access ainda não são lidos: '%1'.").arg(caminho));
}
