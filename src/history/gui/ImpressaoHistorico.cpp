#include "history/gui/ImpressaoHistorico.h"

#include "common/gui/CaixaMensagem.h"
#include "common/gui/Interface.h"
#include "history/gui/Impressora.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// The lines of the text; a line break ends a line, so the break after the
// last line opens no empty line (which could cost a blank page).
QStringList linhasDoTexto(const QString &texto)
{
    static const QRegularExpression quebra(QStringLiteral("\r\n|\r|\n"));
    QStringList linhas = texto.split(quebra);
    if (!linhas.isEmpty() && linhas.constLast().isEmpty())
        linhas.removeLast();
    return linhas;
}

// Writes the lines from the top of the printable area, one under the other,
// starting a new page when the next line would not fit. Returns false when
// the printer refused a new page.
bool desenhaLinhas(QPainter &pintor, QPagedPaintDevice &impressora, const QStringList &linhas)
{
    const QFontMetricsF medidas(pintor.font(), &impressora);
    const qreal altura = medidas.lineSpacing();
    const int porPagina = std::max(1, static_cast<int>(std::floor(impressora.height() / altura)));
    bool ok = true;
    int naPagina = 0;
    for (const QString &linha : linhas) {
        if (naPagina == porPagina) {
            if (!impressora.newPage())
                ok = false;
            naPagina = 0;
        }
        if (!linha.isEmpty())
            pintor.drawText(QPointF(0, naPagina * altura + medidas.ascent()), linha);
        ++naPagina;
    }
    return ok;
}

} // namespace

bool ImprimeTexto(const QString &texto, const QString &familia)
{
    bool falhou = false;
    const std::unique_ptr<QPagedPaintDevice> impressora = Impressora::padrao();
    QPainter pintor;
    const bool aberto = impressora && pintor.begin(impressora.get());
    if (!aberto)
        falhou = true;

    // Setting the font name: the size stays the one the printer starts with.
    if (aberto) {
        QFont fonte = pintor.font();
        fonte.setFamily(familia);
        // Where the named font is missing, another fixed-pitch one keeps the
        // columns aligned.
        fonte.setStyleHint(QFont::Monospace);
        fonte.setFixedPitch(true);
        pintor.setFont(fonte);
    }

    // Printing the text.
    if (aberto && !desenhaLinhas(pintor, *impressora, linhasDoTexto(texto)))
        falhou = true;

    // Ending the document hands it to the printer.
    if (aberto && !pintor.end())
        falhou = true;
    return !falhou;
}

void ImprimeHistorico(const QString &texto)
{
    bool falhou = false;
    const auto resposta = CaixaMensagem::mostra(QStringLiteral("Deseja realmente imprimir o Histórico"),
                                                CaixaMensagem::Botoes::SimNao, CaixaMensagem::Icone::Pergunta);
    if (resposta == CaixaMensagem::Resposta::Sim) {
        Interface::GuardaPonteiro ponteiro;
        Interface::ponteiroAmpulheta();
        if (!ImprimeTexto(texto, QStringLiteral("Courier New")))
            falhou = true;
    }
    if (falhou)
        CaixaMensagem::aviso(QStringLiteral("Ocorreu um erro ao imprimir o Histórico!"), CaixaMensagem::Icone::Critico);
}
