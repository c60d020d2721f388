#include "store/gui/CarregaConfiguracao.h"

#include "common/gui/CaixaMensagem.h"

ConfiguracaoCarregada CarregaConfiguracao(const Instalacao &instalacao, const QString &modo)
{
    if (modo != QLatin1String("C")) {
        CaixaMensagem::Caixas caixas;
        return {CarregaConfiguracaoServidor(instalacao, caixas), std::nullopt};
    }
    const std::optional<LinhaConfiguracao> linha = leConfiguracao(instalacao);
    if (!linha)
        return {std::nullopt, ConfiguracaoNaJanela{}};
    return {std::nullopt,
            ConfiguracaoNaJanela{true, partesDoEndereco(linha->ipServidor), linha->qtdePortas, linha->portaInicial}};
}
