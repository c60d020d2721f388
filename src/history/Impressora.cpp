#include "history/Impressora.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace Impressora {

namespace {

Fabrica &fabricaAtual()
{
    static Fabrica fabrica;
    return fabrica;
}

} // namespace

std::unique_ptr<QPrinter> padrao()
{
    if (fabricaAtual())
        return fabricaAtual()();
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    auto impressora = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!impressora->isValid())
        return nullptr;
    return impressora;
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
