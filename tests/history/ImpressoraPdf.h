#pragma once

#include <QString>
#include <QStringList>

// Stands in for the default printer in tests: every document printed goes
// to a new PDF file in a folder (doc-1.pdf, doc-2.pdf, ...), or, when told,
// there is no printer at all. Removed again when it goes out of scope.
class ImpressoraPdf
{
public:
    explicit ImpressoraPdf(const QString &pasta);
    ~ImpressoraPdf();
    ImpressoraPdf(const ImpressoraPdf &) = delete;
    ImpressoraPdf &operator=(const ImpressoraPdf &) = delete;

    // From now on no printer is available.
    void retira() { m_ausente = true; }
    // From now on the printer writes into a folder that does not exist, so
    // the document cannot be started.
    void quebra() { m_quebrada = true; }

    // How many times a printer was asked for.
    int pedidos() const { return m_pedidos; }
    // The PDF files written, in the order they were printed.
    QStringList documentos() const;

private:
    QString m_pasta;
    int m_pedidos = 0;
    bool m_ausente = false;
    bool m_quebrada = false;
};

// What poppler-utils read from a PDF, with a bounded wait. A tool that is
// missing or fails makes the test fail with its message.
namespace LeituraPdf {
// Whether a PDF's text can be read here: poppler's programs are Linux's, and
// a test run on Windows says it skips reading what it printed.
bool disponivel();
#define TAVO_LE_PDF_OU_PULA()                                                                                          \
    if (!LeituraPdf::disponivel())                                                                                     \
    QSKIP("reading a PDF's text needs poppler's pdftotext, a Linux program")
// The text as `pdftotext -layout` lays it out; pages end in a form feed.
QString texto(const QString &pdf);
// The lines of the text, blanks at their ends removed, page breaks dropped
// and empty lines at the end removed.
QStringList linhas(const QString &pdf);
// Number of pages (`pdfinfo`).
int paginas(const QString &pdf);
// The names of the fonts used (`pdffonts`).
QStringList fontes(const QString &pdf);
// True when the document uses fonts and all of them are fixed-pitch ones
// (a "Mono" or "Courier" face).
bool soFontesMonoespacadas(const QString &pdf);
// The lines with every run of blanks made one: where the page was laid out
// again (later pages, a print queue's own rendering) pdftotext reckons the
// columns its own way, so only the words and their order are compared.
QStringList semColunas(QStringList linhas);
} // namespace LeituraPdf

// The lines of a report text, split at CRLF, trailing blanks removed and the
// empty piece after a final CRLF dropped: what a printout of it should show.
QStringList linhasDoRelatorio(const QString &relatorio);
