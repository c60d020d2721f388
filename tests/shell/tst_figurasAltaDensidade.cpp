// The main window's pictures on a screen at 200 %: drawn at the screen's
// density (two device pixels per pixel), never a 16-pixel picture blown up,
// and the buttons that keep their picture while disabled keep it there too.
#include "common/gui/Figuras.h"
#include "shell/frmPrincipal.h"

#include "support/AmbienteTeste.h"
#include "support/CaixasRoteirizadas.h"
#include "support/Controles.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

// Pixels of the picture that are drawn at all.
int pintados(const QImage &imagem)
{
    int n = 0;
    for (int y = 0; y < imagem.height(); ++y) {
        for (int x = 0; x < imagem.width(); ++x)
            n += qAlpha(imagem.pixel(x, y)) > 0 ? 1 : 0;
    }
    return n;
}

// A picture drawn for this screen: twice its size in device pixels, and
// drawn over more than a quarter of them (a picture of the plain size padded
// to twice it would cover a quarter at most).
void confereNitida(const QPixmap &figura, const QSize &tamanho, const char *nome)
{
    QVERIFY2(!figura.isNull(), nome);
    QCOMPARE(figura.devicePixelRatio(), 2.0);
    QCOMPARE(figura.size(), tamanho * 2);
    QVERIFY2(pintados(figura.toImage()) > tamanho.width() * tamanho.height(), nome);
}

} // namespace

class TstFigurasAltaDensidade : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void botoesDesenhadosNaDensidadeDaTela()
    {
        AmbienteTeste ambiente;
        CaixasRoteirizadas caixas;
        caixas.confirma(); // the first run's welcome
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        for (const char *nome :
             {"cmdGerar", "CancelaArquivo", "cmdInternet", "cmdDisquete", "cmdTransmitir", "cmdCancelar"}) {
            auto *achado = botao(janela, nome);
            QVERIFY2(achado, nome);
            confereNitida(achado->icon().pixmap(achado->iconSize()), achado->iconSize(), nome);
        }
        // The send buttons keep their picture, at this density too, while
        // they wait for a package.
        for (const char *nome : {"cmdInternet", "cmdDisquete", "cmdTransmitir"}) {
            auto *achado = botao(janela, nome);
            QVERIFY(!achado->isEnabled());
            QCOMPARE(achado->icon().pixmap(achado->iconSize(), QIcon::Disabled).toImage(),
                     achado->icon().pixmap(achado->iconSize(), QIcon::Normal).toImage());
        }
        // "Gerar" is greyed when disabled, as before.
        auto *gerar = botao(janela, "cmdGerar");
        QVERIFY(gerar->icon().pixmap(gerar->iconSize(), QIcon::Disabled).toImage()
                != gerar->icon().pixmap(gerar->iconSize(), QIcon::Normal).toImage());
    }

    void luzesDaConexaoDesenhadasNaDensidadeDaTela()
    {
        AmbienteTeste ambiente;
        CaixasRoteirizadas caixas;
        frmPrincipal janela(instalacaoAtual());
        for (const char *nome : {"imgConectado", "imgDesconectado"}) {
            auto *luz = rotulo(janela, nome);
            QVERIFY2(luz, nome);
            confereNitida(luz->pixmap(), QSize(16, 16), nome);
        }
        const QImage verde = rotulo(janela, "imgConectado")->pixmap().toImage();
        const QImage vermelha = rotulo(janela, "imgDesconectado")->pixmap().toImage();
        QVERIFY(verde != vermelha);
    }

    void iconeDoProgramaDesenhadoEmQualquerTamanho()
    {
        const QIcon icone = Figuras::iconePrograma();
        for (const int lado : {16, 48, 256})
            confereNitida(icone.pixmap(QSize(lado, lado)), QSize(lado, lado), "iconePrograma");
    }
};

int main(int argc, char *argv[])
{
    // The whole test on a screen at 200 %.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TstFigurasAltaDensidade teste;
    return QTest::qExec(&teste, argc, argv);
}

#include "tst_figurasAltaDensidade.moc"
