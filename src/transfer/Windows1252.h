#pragma once

#include <QByteArray>
#include <QString>

// Text on the wire travels as single bytes of the Windows "ANSI" code page
// 1252, which the server expects: "JOÃO" is four bytes. Qt's core codecs
// do not promise this page on every build, so the table lives here.
namespace Windows1252 {

// One byte per character. A character the page cannot hold becomes "?",
// as the platform's own conversion does.
QByteArray codifica(const QString &texto);

// Every byte is one character; the five bytes the page leaves undefined
// read as the control characters of the same number.
QString decodifica(const QByteArray &bytes);

} // namespace Windows1252
