// The settings the settings window saves, or reads back on "Cancelar", are
// the ones the main window's next send uses, without a restart.
#include "shell/frmPrincipal.h"
#include "store/gui/frmConfiguracao.h"

#include "ServidorUpload.h"
#include "support/CaixasRoteirizadas.h"
#include "transfer/CenarioTransmissao.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using namespace CaixaMensagem;

namespace {

// A port nothing listens on now.
quint16 portaLivre()
{
    QTcpServer sonda;
    if (!sonda.listen(QHostAddress::LocalHost, 0))
        qFatal("no free port");
    return sonda.serverPort();
}

} // namespace

class TstConfiguracaoEmUso : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void novaPortaValeParaOProximoEnvio_data()
    {
        QTest::addColumn<bool>("cancelar");
        QTest::newRow("Confirmar grava a porta digitada") << false;
        QTest::newRow("Cancelar relê a porta gravada") << true;
    }
    void novaPortaValeParaOProximoEnvio()
    {
        QFETCH(bool, cancelar);
        // The window starts with the port of the scenario, where no server listens.
        CenarioTransmissao cenario;
        cenario.colocaPacote(3000);
        cenario.janela->show();
        const quint16 nova = portaLivre();
        QVERIFY(nova != cenario.porta);
        QString recebido;
        auto &servidor = cenario.iniciaServidor({}, nova);
        connect(&servidor, &ServidorUpload::arquivoRecebido, this, [&](const QString &c) { recebido = c; });
        if (cancelar)
            cenario.ambiente.executa(QStringLiteral("update configuracao set porta_inicial=%1").arg(nova));

        // The settings window, opened from the menu, runs its own event loop.
        bool aberta = false;
        QTimer::singleShot(0, cenario.janela.get(), [&] {
            auto *janela = qobject_cast<frmConfiguracao *>(QApplication::activeModalWidget());
            if (!janela)
                return;
            aberta = true;
            if (cancelar) {
                janela->findChild<QPushButton *>(QStringLiteral("cmdCancelar"))->click();
            } else {
                auto *porta = janela->findChild<QLineEdit *>(QStringLiteral("txtPortaInicial"));
                porta->clear();
                QTest::keyClicks(porta, QString::number(nova));
                cenario.caixas.responde(Resposta::Sim);
                cenario.caixas.confirma();
                janela->findChild<QPushButton *>(QStringLiteral("cmdConfirmar"))->click();
            }
            janela->findChild<QPushButton *>(QStringLiteral("cmdSair"))->click();
        });
        // Closes anything left open, so that the test cannot hang.
        QTimer guarda;
        guarda.setSingleShot(true);
        connect(&guarda, &QTimer::timeout, this, [] {
            if (QWidget *janela = QApplication::activeModalWidget())
                janela->close();
        });
        guarda.start(10000);
        cenario.janela->findChild<QAction *>(QStringLiteral("mnuArquivo"))->trigger();
        QVERIFY(aberta);
        const QStringList salvar{
            QStringLiteral("Atenção!\r\nSe você alterar as configurações o TAVO UPLOAD poderá "
                           "não funcionar corretamente.\r\nDeseja realmente realizar a alteração?"),
            QStringLiteral("Alterações realizadas com sucesso!")};
        QCOMPARE(cenario.caixas.textos(), cancelar ? QStringList() : salvar);
        QCOMPARE(cenario.janela->configuracao().PortaInicial, nova);

        cenario.transmite(1);
        QCOMPARE(cenario.caixas.textos().last(),
                 QStringLiteral("A transferência do arquivo foi concluída com sucesso!"));
        QTRY_VERIFY_WITH_TIMEOUT(!recebido.isEmpty(), 5000);
        QCOMPARE(cenario.registros(), 1);
        QCOMPARE(cenario.caixas.inesperadas(), 0);
    }
};

QTEST_MAIN(TstConfiguracaoEmUso)
#include "tst_configuracaoEmUso.moc"
