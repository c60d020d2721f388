#include "ImpressoraPdf.h"

#include "history/gui/Impressora.h"
#include "support/SistemaTeste.h"

#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

// Runs a poppler tool and returns what it printed; a tool that cannot run
// within the bound is a failure of the test, not a hang.
QString executa(const QString &programa, const QStringList &argumentos)
{
    QProcess processo;
    processo.start(programa, argumentos);
    if (!processo.waitForStarted(10000))
        qFatal("cannot run %s (install poppler-utils): %s", qPrintable(programa), qPrintable(processo.errorString()));
    if (!processo.waitForFinished(30000)) {
        processo.kill();
        processo.waitForFinished(5000);
        qFatal("%s did not finish in 30 s", qPrintable(programa));
    }
    if (processo.exitStatus() != QProcess::NormalExit || processo.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(programa), processo.readAllStandardError().constData());
    return QString::fromUtf8(processo.readAllStandardOutput());
}

QString semBrancosNoFim(QString linha)
{
    while (!linha.isEmpty() && linha.back().isSpace())
        linha.chop(1);
    return linha;
}

} // namespace

ImpressoraPdf::ImpressoraPdf(const QString &pasta)
    : m_pasta(pasta)
{
    QDir().mkpath(m_pasta);
    Impressora::instalaFabrica([this]() -> std::unique_ptr<QPrinter> {
        ++m_pedidos;
        if (m_ausente)
            return nullptr;
        auto impressora = std::make_unique<QPrinter>(QPrinter::HighResolution);
        impressora->setOutputFormat(QPrinter::PdfFormat);
        const QString pasta = m_quebrada ? m_pasta + QStringLiteral("/nao-existe") : m_pasta;
        impressora->setOutputFileName(QStringLiteral("%1/doc-%2.pdf").arg(pasta).arg(m_pedidos));
        return impressora;
    });
}

ImpressoraPdf::~ImpressoraPdf()
{
    Impressora::removeFabrica();
}

QStringList ImpressoraPdf::documentos() const
{
    QStringList caminhos;
    for (int i = 1; i <= m_pedidos; ++i) {
        const QString caminho = QStringLiteral("%1/doc-%2.pdf").arg(m_pasta).arg(i);
        if (QFile::exists(caminho))
            caminhos.append(caminho);
    }
    return caminhos;
}

namespace LeituraPdf {

bool disponivel()
{
    return !SistemaTeste::windows();
}

QString texto(const QString &pdf)
{
    return executa(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

QStringList linhas(const QString &pdf)
{
    QString conteudo = texto(pdf);
    conteudo.remove(QLatin1Char('\f'));
    QStringList resultado;
    for (const QString &linha : conteudo.split(QLatin1Char('\n')))
        resultado.append(semBrancosNoFim(linha));
    while (!resultado.isEmpty() && resultado.constLast().isEmpty())
        resultado.removeLast();
    return resultado;
}

int paginas(const QString &pdf)
{
    static const QRegularExpression linhaPaginas(QStringLiteral("^Pages:\\s+(\\d+)"),
                                                 QRegularExpression::MultilineOption);
    const QRegularExpressionMatch achado = linhaPaginas.match(executa(QStringLiteral("pdfinfo"), {pdf}));
    return achado.hasMatch() ? achado.captured(1).toInt() : -1;
}

QStringList fontes(const QString &pdf)
{
    QStringList nomes;
    const QStringList linhasSaida = executa(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'));
    // Two heading lines, then one font per line, its name first.
    for (const QString &linha : linhasSaida.mid(2)) {
        const QString nome = linha.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
        if (!nome.isEmpty())
            nomes.append(nome);
    }
    return nomes;
}

bool soFontesMonoespacadas(const QString &pdf)
{
    const QStringList nomes = fontes(pdf);
    for (const QString &nome : nomes) {
        if (!nome.contains(QLatin1String("Mono")) && !nome.contains(QLatin1String("Courier"))) {
            qWarning("not a fixed-pitch font: %s", qPrintable(nome));
            return false;
        }
    }
    return !nomes.isEmpty();
}

QStringList semColunas(QStringList linhas)
{
    static const QRegularExpression brancos(QStringLiteral(" +"));
    for (QString &linha : linhas)
        linha = linha.replace(brancos, QStringLiteral(" ")).trimmed();
    return linhas;
}

} // namespace LeituraPdf

QStringList linhasDoRelatorio(const QString &relatorio)
{
    QStringList linhas = relatorio.split(QStringLiteral("\r\n"));
    if (!linhas.isEmpty() && linhas.constLast().isEmpty())
        linhas.removeLast();
    for (QString &linha : linhas)
        linha = semBrancosNoFim(linha);
    return linhas;
}
