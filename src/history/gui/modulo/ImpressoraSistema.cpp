// The module tavo-impressao: the system's default printer. It is a library
// of its own so that the program loads Qt Print Support (and, through it,
// the printing system's client) only when a report is printed.
#include <QPrinter>
#include <QPrinterInfo>

#include <memory>

// A printer on the default printer, ready for one document, or null when
// the system has none or it cannot be used. The caller owns it.
extern "C" Q_DECL_EXPORT QPagedPaintDevice *tavo_impressora_padrao()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    auto impressora = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!impressora->isValid())
        return nullptr;
    return impressora.release();
}
