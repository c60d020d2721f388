#include "store/gui/CarregaConfiguracao.h"

#include "common/gui/CaixaMensagem.h"
#include "store/gui/frmConfiguracao.h"

#include <QLineEdit>

std::optional<ConfiguracaoCliente> CarregaConfiguracao(const Instalacao &instalacao, const QString &modo,
                                                       frmConfiguracao *janela)
{
    if (modo != QLatin1String("C")) {
        CaixaMensagem::Caixas caixas;
        return CarregaConfiguracaoServidor(instalacao, caixas);
    }
    const std::optional<LinhaConfiguracao> linha = leConfiguracao(instalacao);
    if (!janela)
        return std::nullopt;
    if (!linha) {
        for (QLineEdit *parte : janela->Iparray)
            parte->clear();
        janela->txtQtdePortas->clear();
        janela->txtPortaInicial->clear();
        return std::nullopt;
    }
    const QStringList partes = partesDoEndereco(linha->ipServidor);
    for (int k = 0; k < partes.size(); ++k)
        janela->Iparray[k]->setText(partes.at(k));
    janela->txtQtdePortas->setText(linha->qtdePortas);
    janela->txtPortaInicial->setText(linha->portaInicial);
    return std::nullopt;
}
