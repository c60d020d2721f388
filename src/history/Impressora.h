#pragma once

#include <functional>
#include <memory>

class QPrinter;

// The printer the history report goes to. In production it is the system's
// default printer; tests install a factory that prints to a PDF file, or
// one that gives no printer at all.
namespace Impressora {

// A printer ready for one document, or null when there is none.
std::unique_ptr<QPrinter> padrao();

using Fabrica = std::function<std::unique_ptr<QPrinter>()>;
void instalaFabrica(Fabrica fabrica);
void removeFabrica();

} // namespace Impressora
