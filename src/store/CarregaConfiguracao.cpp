#include "store/CarregaConfiguracao.h"

#include "common/CaixaMensagem.h"
#include "store/Configuracao.h"
#include "store/frmConfiguracao.h"

#include <QLineEdit>

void CarregaConfiguracao(const QString &modo, frmConfiguracao *janela)
{
    const bool modoJanela = modo == QLatin1String("C");
    const std::optional<LinhaConfiguracao> linha = leConfiguracao();
    if (!linha) {
        if (modoJanela && janela) {
            for (QLineEdit *parte : janela->Iparray)
                parte->clear();
            janela->txtQtdePortas->clear();
            janela->txtPortaInicial->clear();
        } else if (!modoJanela) {
            CaixaMensagem::aviso(
                QStringLiteral("Bem Vindo ao sistema de Transferência de Arquivos do TAVO (TAVO - Upload).")
                    + QStringLiteral("\r\n")
                    + QStringLiteral("Vá ao menu Configuração e informa as cinfigurações iniciais."),
                CaixaMensagem::Icone::Informacao, QStringLiteral("TAVO - Upload"));
        }
        return;
    }
    if (!modoJanela) {
        aplicaConfiguracao(*linha);
        return;
    }
    if (!janela)
        return;
    const QStringList partes = partesDoEndereco(linha->ipServidor);
    for (int k = 0; k < partes.size(); ++k)
        janela->Iparray[k]->setText(partes.at(k));
    janela->txtQtdePortas->setText(linha->qtdePortas);
    janela->txtPortaInicial->setText(linha->portaInicial);
}
