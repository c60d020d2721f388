#pragma once

#include <QLocale>

// Month names and numbers are written the way the office reads them: in the
// system's regional settings when these are Portuguese (Brazil's, Portugal's,
// ...), and in Brazilian Portuguese on a system set to another language, as
// every other text of the program is Portuguese.
namespace Localidade {

// The locale the program writes in on a system whose locale is `sistema`.
QLocale escolhe(const QLocale &sistema);

// Makes escolhe(QLocale::system()) the default locale, when it is not the
// system's own. Called once at start, before anything is formatted.
void ajusta();

} // namespace Localidade
