#pragma once

#include <QPlainTextEdit>

// A multi-line text box whose text reads back with CRLF line breaks, as it
// was given: the report is built with CRLF, and what is printed or compared
// is the box's text as it stands.
class TextoMultilinha : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TextoMultilinha(QWidget *parent = nullptr);

    // The whole text, every line break as CRLF.
    QString text() const;
    // Replaces the whole text; CRLF, CR or LF each break a line.
    void setText(const QString &texto);
};
