#pragma once

#include <QString>

// The short size text of a byte count, as office staff know it from the
// system's file windows: "904 bytes", "4,00 KB", "1,38 MB". Three significant
// figures (cut, not rounded), the locale's decimal separator.
QString FormataTamanho(qint64 bytes);
