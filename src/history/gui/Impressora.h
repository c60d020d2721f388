#pragma once

#include <functional>
#include <memory>

class QPagedPaintDevice;

// The printer the history report goes to. In production it is the system's
// default printer, made by the module tavo-impressao (Qt Print Support is
// loaded only when a report is printed); tests install a factory that
// prints to a PDF file, or one that gives no printer at all.
namespace Impressora {

// A printer ready for one document, or null when there is none (nor the
// module that finds it, which the log then tells).
std::unique_ptr<QPagedPaintDevice> padrao();

using Fabrica = std::function<std::unique_ptr<QPagedPaintDevice>()>;
void instalaFabrica(Fabrica fabrica);
void removeFabrica();

} // namespace Impressora
