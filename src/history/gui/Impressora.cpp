#include "history/gui/Impressora.h"

#include "common/Log.h"
#include "common/Modulos.h"

#include <QPagedPaintDevice>

namespace Impressora {

namespace {

Fabrica &fabricaAtual()
{
    static Fabrica fabrica;
    return fabrica;
}

} // namespace

std::unique_ptr<QPagedPaintDevice> padrao()
{
    if (fabricaAtual())
        return fabricaAtual()();
    using ImpressoraPadrao = QPagedPaintDevice *(*)();
    const Modulos::Funcao funcao = Modulos::doPrograma("tavo-impressao", "tavo_impressora_padrao");
    if (!funcao.endereco) {
        qCWarning(lcHistorico).noquote() << "the printer module cannot be loaded:" << funcao.motivo;
        return nullptr;
    }
    return std::unique_ptr<QPagedPaintDevice>(reinterpret_cast<ImpressoraPadrao>(funcao.endereco)());
}

void instalaFabrica(Fabrica fabrica)
{
    fabricaAtual() = std::move(fabrica);
}

void removeFabrica()
{
    fabricaAtual() = nullptr;
}

} // namespace Impressora
