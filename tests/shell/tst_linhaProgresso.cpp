// The zip progress line of the "Gerar Arquivo" tab changes at every step of
// a job: each change must repaint the line alone, not the whole tab widget,
// and the line keeps the width of its column.
#include "shell/frmPrincipal.h"

#include "support/AmbienteTeste.h"
#include "support/CaixasRoteirizadas.h"
#include "support/Controles.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace {

class ContaPinturas : public QObject
{
public:
    int pinturas = 0;

protected:
    bool eventFilter(QObject *alvo, QEvent *evento) override
    {
        if (evento->type() == QEvent::Paint)
            ++pinturas;
        return QObject::eventFilter(alvo, evento);
    }
};

} // namespace

class TstLinhaProgresso : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cadaPassoRepintaSoALinha()
    {
        AmbienteTeste ambiente;
        CaixasRoteirizadas caixas;
        caixas.confirma();
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));
        controle<QTabWidget>(janela, "SSTab")->setCurrentIndex(0);
        QTest::qWait(50);

        ContaPinturas abas;
        ContaPinturas linha;
        controle<QTabWidget>(janela, "SSTab")->tabBar()->installEventFilter(&abas);
        rotulo(janela, "lblProgresso")->installEventFilter(&linha);
        for (int percentual = 0; percentual <= 100; percentual += 10)
            caixaDeTexto(janela, "txtZip")
                ->setText(QStringLiteral("|12||c:\\inetpub\\wwwroot\\tavo\\mirv_dat.mdb|||%1|").arg(percentual));
        QTest::qWait(50);

        QCOMPARE(rotulo(janela, "lblProgresso")->text(),
                 QStringLiteral("Zipando c:\\inetpub\\wwwroot\\tavo\\mirv_dat.mdb -> 100%"));
        QVERIFY(linha.pinturas >= 1);
        QCOMPARE(abas.pinturas, 0);
        // The line spans its column, as wide as the tab's page allows.
        QVERIFY(rotulo(janela, "lblProgresso")->isVisible());
        QVERIFY(rotulo(janela, "lblProgresso")->width()
                >= controle<QTabWidget>(janela, "SSTab")->currentWidget()->width() / 2);
        QVERIFY(rotulo(janela, "lblProgresso")->height() >= rotulo(janela, "lblProgresso")->fontMetrics().height());
    }
};

QTEST_MAIN(TstLinhaProgresso)
#include "tst_linhaProgresso.moc"
