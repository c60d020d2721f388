// Printing of the history report, onto PDF files read back with poppler.
#include "history/RelatorioHistorico.h"
#include "history/gui/ImpressaoHistorico.h"

#include "ImpressoraPdf.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString relatorio(int linhas, const QString &arquivo = QStringLiteral("DADOS_31045678_07032026.zip"))
{
    RelatorioHistorico::Montador montador(3, 2026);
    for (int i = 0; i < linhas; ++i)
        montador.acrescenta(QStringLiteral("%1/03/2026 09:05:03").arg(28 - i % 28, 2, 10, QLatin1Char('0')),
                            QStringLiteral("SSRE DE LAVRAS"), QString::number(31000000 + i), arquivo,
                            i % 2 ? QStringLiteral("ANUAL") : QStringLiteral("PERIO"));
    return montador.termina();
}

} // namespace

class TstImpressaoHistorico : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }

    void init()
    {
        QVERIFY(m_pasta.isValid());
        m_impressora = std::make_unique<ImpressoraPdf>(m_pasta.filePath(QString::number(++m_caso)));
    }
    void cleanup() { m_impressora.reset(); }

    void relatorioImpressoLinhaALinhaEmFonteMonoespacada_data()
    {
        QTest::addColumn<int>("linhas");
        QTest::newRow("sem envios: as cinco linhas do cabeçalho") << 0;
        QTest::newRow("um envio") << 1;
        QTest::newRow("doze envios") << 12;
    }
    void relatorioImpressoLinhaALinhaEmFonteMonoespacada()
    {
        QFETCH(int, linhas);
        const QString texto = relatorio(linhas);
        QVERIFY(ImprimeTexto(texto, QStringLiteral("Courier New")));
        QCOMPARE(m_impressora->documentos().size(), 1);
        TAVO_LE_PDF_OU_PULA();
        const QString pdf = m_impressora->documentos().constFirst();
        const QStringList impressas = LeituraPdf::linhas(pdf);
        QCOMPARE(impressas, linhasDoRelatorio(texto));
        QCOMPARE(impressas.size(), linhas == 0 ? 5 : 5 + linhas + 2);
        QCOMPARE(LeituraPdf::paginas(pdf), 1);
        QVERIFY(LeituraPdf::soFontesMonoespacadas(pdf));
    }

    void paginaCheiaContinuaNaSeguinte()
    {
        const QString texto = relatorio(300);
        QVERIFY(ImprimeTexto(texto, QStringLiteral("Courier New")));
        TAVO_LE_PDF_OU_PULA();
        const QString pdf = m_impressora->documentos().constFirst();
        QVERIFY(LeituraPdf::paginas(pdf) >= 3);
        const QStringList impressas = LeituraPdf::linhas(pdf);
        QCOMPARE(LeituraPdf::semColunas(impressas), LeituraPdf::semColunas(linhasDoRelatorio(texto)));
        // The first page keeps its columns exactly.
        QCOMPARE(impressas.mid(0, 60), linhasDoRelatorio(texto).mid(0, 60));
        // Each page but the last is filled before the next one starts.
        const QStringList paginas = LeituraPdf::texto(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY(paginas.first().count(QLatin1Char('\n')) > 40);
        QCOMPARE(paginas.first().count(QLatin1Char('\n')), paginas.at(1).count(QLatin1Char('\n')));
    }

    void linhaMaisLargaQueAPaginaNaoSeDivide()
    {
        const QString arquivo = QStringLiteral("NOME_") + QString(150, QLatin1Char('X')) + QStringLiteral(".zip");
        const QString texto = relatorio(2, arquivo);
        QVERIFY(ImprimeTexto(texto, QStringLiteral("Courier New")));
        TAVO_LE_PDF_OU_PULA();
        const QStringList esperadas = linhasDoRelatorio(texto);
        const QStringList impressas = LeituraPdf::linhas(m_impressora->documentos().constFirst());
        // Same number of lines, in order: nothing wrapped onto a line of its own.
        QCOMPARE(impressas.size(), esperadas.size());
        for (int i = 0; i < esperadas.size(); ++i)
            QVERIFY2(esperadas.at(i).startsWith(impressas.at(i))
                         && (impressas.at(i) == esperadas.at(i) || impressas.at(i).size() >= 80),
                     qPrintable(impressas.at(i)));
        QVERIFY(esperadas.at(5).size() > 200);
    }

    void falhaDaImpressoraNaoDaDocumento_data()
    {
        QTest::addColumn<bool>("semImpressora");
        QTest::newRow("nenhuma impressora") << true;
        QTest::newRow("impressora recusa o documento") << false;
    }
    void falhaDaImpressoraNaoDaDocumento()
    {
        // The boxes around a failure are driven through the window's button.
        QFETCH(bool, semImpressora);
        if (semImpressora)
            m_impressora->retira();
        else
            m_impressora->quebra();
        QVERIFY(!ImprimeTexto(relatorio(1), QStringLiteral("Courier New")));
        QCOMPARE(m_impressora->pedidos(), 1);
        QVERIFY(m_impressora->documentos().isEmpty());
    }

    // The default printer comes from the module tavo-impressao: without it
    // nothing is printed, the failure is reported and the log says why.
    void semOModuloDeImpressaoNadaEImpresso()
    {
        m_impressora.reset(); // the system's default printer, then
        QTemporaryDir vazia;
        const QByteArray antes = qgetenv("TAVO_MODULOS");
        qputenv("TAVO_MODULOS", QFile::encodeName(vazia.path()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "^the printer module cannot be loaded: tavo-impressao\\.")));
        const bool impresso = ImprimeTexto(relatorio(1), QStringLiteral("Courier New"));
        qputenv("TAVO_MODULOS", antes);
        QVERIFY(!impresso);
    }

private:
    QTemporaryDir m_pasta;
    int m_caso = 0;
    std::unique_ptr<ImpressoraPdf> m_impressora;
};

QTEST_MAIN(TstImpressaoHistorico)
#include "tst_impressaoHistorico.moc"
