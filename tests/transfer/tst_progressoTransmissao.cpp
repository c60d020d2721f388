// The progress of the data phase as the user sees it, on the "Transmissão"
// tab: the bar and the status line follow the file without being repainted
// at every 2048-byte step, only step texts are ever shown, the last step is
// always shown, and a new text repaints the line alone.
#include "CenarioTransmissao.h"

#include "transfer/MensagensCliente.h"
#include "transfer/ProgressoEnvio.h"

#include "support/Controles.h"
#include <QLabel>
#include <QProgressBar>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace {

// Texts of a label as they were painted, and how often anything was painted.
class Pinturas : public QObject
{
public:
    explicit Pinturas(QWidget *alvo, QLabel *rotulo = nullptr)
        : m_rotulo(rotulo)
    {
        alvo->installEventFilter(this);
    }
    int vezes = 0;
    QStringList textos;

protected:
    bool eventFilter(QObject *, QEvent *evento) override
    {
        if (evento->type() == QEvent::Paint) {
            ++vezes;
            if (m_rotulo)
                textos.append(m_rotulo->text());
        }
        return false;
    }

private:
    QLabel *m_rotulo;
};

} // namespace

class TstProgressoTransmissao : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void progressoSemRepintarCadaPasso()
    {
        constexpr qint64 tamanho = 3 * 1024 * 1024 + 1000;
        CenarioTransmissao cenario;
        cenario.colocaPacote(tamanho);
        cenario.iniciaServidor({}, cenario.porta);
        frmPrincipal &janela = *cenario.janela;
        controle<QTabWidget>(janela, "SSTab")->setCurrentIndex(2);
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));

        QString statusNoFim;
        int barraNoFim = -1;
        cenario.caixas.aoMostrar([&](const CaixaMensagem::Registro &caixa, int) {
            if (caixa.titulo == QStringLiteral("Transferência OK!")) {
                statusNoFim = rotulo(janela, "lblstatus")->text();
                barraNoFim = controle<QProgressBar>(janela, "ProgressTransfer")->value();
            }
        });
        Pinturas status(rotulo(janela, "lblstatus"), rotulo(janela, "lblstatus"));
        Pinturas abas(controle<QTabWidget>(janela, "SSTab")->tabBar());
        cenario.transmite(1);

        QCOMPARE(cenario.caixas.textos().last(),
                 QStringLiteral("A transferência do arquivo foi concluída com sucesso!"));
        // The last step is on screen when the transfer ends.
        QCOMPARE(statusNoFim, ProgressoEnvio::passo(tamanho + 2048, tamanho).texto);
        QCOMPARE(barraNoFim, 100);

        // Every progress text painted is the text of a step of this file.
        QSet<QString> passos;
        for (qint64 s = MensagensCliente::TamanhoPeca; s <= tamanho + MensagensCliente::TamanhoPeca;
             s += MensagensCliente::TamanhoPeca)
            passos.insert(ProgressoEnvio::passo(s, tamanho).texto);
        int progresso = 0;
        for (const QString &texto : status.textos) {
            if (texto.contains(QLatin1String("% Completo"))) {
                ++progresso;
                QVERIFY2(passos.contains(texto), qPrintable(texto));
            }
        }
        QVERIFY(progresso >= 1);
        // 1,537 steps: a repaint each would be the old pace.
        QVERIFY2(status.vezes < 400, qPrintable(QString::number(status.vezes)));
        // The status line repaints alone: the tab bar only for the few
        // changes of the connection picture.
        QVERIFY2(abas.vezes < 20, qPrintable(QString::number(abas.vezes)));
    }
};

QTEST_MAIN(TstProgressoTransmissao)
#include "tst_progressoTransmissao.moc"
