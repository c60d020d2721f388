#include "history/gui/TextoMultilinha.h"

TextoMultilinha::TextoMultilinha(QWidget *parent)
    : QPlainTextEdit(parent)
{
}

QString TextoMultilinha::text() const
{
    // The document keeps one block per line; its plain text joins them with LF.
    QString texto = toPlainText();
    texto.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return texto;
}

void TextoMultilinha::setText(const QString &texto)
{
    setPlainText(texto);
}
