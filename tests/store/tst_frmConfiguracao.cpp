// The server settings window, driven headless through its real controls.
#include "store/Banco.h"
#include "store/Configuracao.h"
#include "store/gui/frmConfiguracao.h"

#include "support/Acessivel.h"
#include "support/AmbienteTeste.h"
#include "support/Auxiliares.h"
#include "support/CaixasRoteirizadas.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace CaixaMensagem;

namespace {

const QString kPergunta =
    QStringLiteral("Atenção!\r\nSe você alterar as configurações o TAVO UPLOAD poderá não funcionar "
                   "corretamente.\r\nDeseja realmente realizar a alteração?");
const QString kIp = QStringLiteral("Verifique se o IP do servidor está correto.");
const QString kErroSalvar =
    QStringLiteral("Ocorreu um erro ao salvar as configurações.\r\nTente novamente. Caso o erro "
                   "persista entre em contato com o suporte do TAVO.");

QLineEdit *caixa(QWidget &janela, const char *nome)
{
    auto *edit = janela.findChild<QLineEdit *>(QLatin1String(nome));
    if (!edit)
        qFatal("no control %s", nome);
    return edit;
}

void preenche(QWidget &janela, const QStringList &valores)
{
    const char *nomes[] = {"Iparray_0", "Iparray_1", "Iparray_2", "Iparray_3", "txtQtdePortas", "txtPortaInicial"};
    for (int i = 0; i < 6; ++i) {
        caixa(janela, nomes[i])->clear();
        QTest::keyClicks(caixa(janela, nomes[i]), valores.at(i));
    }
}

void confirma(QWidget &janela)
{
    QTest::mouseClick(janela.findChild<QPushButton *>(QStringLiteral("cmdConfirmar")), Qt::LeftButton);
}

// The settings the window hands out to be put into use, the last one kept.
struct EmUso
{
    explicit EmUso(frmConfiguracao &janela)
    {
        QObject::connect(&janela, &frmConfiguracao::configuracaoEmUso, &janela,
                         [this](const ConfiguracaoCliente &configuracao) {
                             ultima = configuracao;
                             ++vezes;
                         });
    }
    std::optional<ConfiguracaoCliente> ultima;
    int vezes = 0;
};

} // namespace

class TstFrmConfiguracao : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_ambiente = std::make_unique<AmbienteTeste>();
        m_caixas = std::make_unique<CaixasRoteirizadas>();
    }
    void cleanup()
    {
        QCOMPARE(m_caixas->inesperadas(), 0);
        m_caixas.reset();
        m_ambiente.reset();
    }

    void semConfiguracaoAsCaixasAbremVazias()
    {
        frmConfiguracao janela(instalacaoAtual());
        for (const char *nome :
             {"Iparray_0", "Iparray_1", "Iparray_2", "Iparray_3", "txtQtdePortas", "txtPortaInicial"})
            QCOMPARE(caixa(janela, nome)->text(), QString());
        QCOMPARE(janela.windowTitle(), QStringLiteral("Configuração"));
        QCOMPARE(caixa(janela, "Iparray_0")->maxLength(), 3);
        QCOMPARE(caixa(janela, "Iparray_0")->geometry(), QRect(87, 33, 41, 19));
        QCOMPARE(janela.size(), QSize(310, 162));
    }

    void respostaNaoNaoSalvaNada()
    {
        frmConfiguracao janela(instalacaoAtual());
        const EmUso emUso(janela);
        preenche(janela, {QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1"),
                          QStringLiteral("3"), QStringLiteral("9000")});
        m_caixas->responde(Resposta::Nao);
        confirma(janela);
        QCOMPARE(m_caixas->mostradas().size(), 1);
        QVERIFY(caixaIgual(m_caixas->mostradas().at(0), kPergunta, QStringLiteral("TAVO UPLOAD"), Botoes::SimNao,
                           Icone::Pergunta));
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from configuracao")), QStringLiteral("0"));
        QCOMPARE(emUso.vezes, 0);
    }

    void caixasVaziasNaOrdemDasVerificacoes_data()
    {
        QTest::addColumn<QStringList>("valores");
        QTest::addColumn<QString>("mensagem");
        QTest::addColumn<QString>("foco");
        const QString portas = QStringLiteral("A Quantidade de Portas utilizada pelo servidor deve ser informada.");
        QTest::newRow("tudo vazio") << QStringList(6) << kIp << QStringLiteral("Iparray_0");
        QTest::newRow("só brancos") << QStringList{QStringLiteral("  "), {}, {}, {}, {}, {}} << kIp
                                    << QStringLiteral("Iparray_0");
        QTest::newRow("portas antes da segunda parte")
            << QStringList{QStringLiteral("10"), {}, {}, {}, {}, {}} << portas << QStringLiteral("txtQtdePortas");
        QTest::newRow("porta inicial") << QStringList{QStringLiteral("10"), {}, {}, {}, QStringLiteral("3"), {}}
                                       << QStringLiteral("A Porta inicial deve ser informada.")
                                       << QStringLiteral("txtPortaInicial");
        QTest::newRow("terceira parte") << QStringList{QStringLiteral("10"), QStringLiteral("1"),
                                                       QStringLiteral(" "),  QStringLiteral("4"),
                                                       QStringLiteral("3"),  QStringLiteral("9000")}
                                        << kIp << QStringLiteral("Iparray_2");
    }
    void caixasVaziasNaOrdemDasVerificacoes()
    {
        QFETCH(QStringList, valores);
        QFETCH(QString, mensagem);
        QFETCH(QString, foco);
        frmConfiguracao janela(instalacaoAtual());
        janela.show();
        QApplication::setActiveWindow(&janela);
        QVERIFY(QTest::qWaitForWindowActive(&janela));
        preenche(janela, valores);
        m_caixas->responde(Resposta::Sim);
        m_caixas->confirma();
        confirma(janela);
        QCOMPARE(m_caixas->mostradas().size(), 2);
        QVERIFY(caixaIgual(m_caixas->mostradas().at(1), mensagem, QStringLiteral("Tavo_Upload_Cliente"), Botoes::Ok,
                           Icone::Informacao));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(),
                                  foco, 2000);
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from configuracao")), QStringLiteral("0"));
    }

    void primeiroSalvarInsereDepoisAtualiza()
    {
        frmConfiguracao janela(instalacaoAtual());
        const EmUso emUso(janela);
        preenche(janela, {QStringLiteral(" 10"), QStringLiteral("0 "), QStringLiteral("0"), QStringLiteral("1"),
                          QStringLiteral(" 3 "), QStringLiteral("9000")});
        m_caixas->responde(Resposta::Sim);
        m_caixas->confirma();
        confirma(janela);
        QVERIFY(caixaIgual(m_caixas->mostradas().at(1), QStringLiteral("Alterações realizadas com sucesso!"),
                           QStringLiteral("Configurações"), Botoes::Ok, Icone::Informacao));
        QCOMPARE(m_ambiente->valor(QStringLiteral("select ip_servidor||'|'||qtde_portas||'|'||porta_inicial "
                                                  "from configuracao")),
                 QStringLiteral("10.0.0.1|3|9000"));
        QVERIFY(emUso.ultima);
        QCOMPARE(emUso.ultima->IpServidor, QStringLiteral("10.0.0.1"));
        QCOMPARE(emUso.ultima->QtdePortas, 3);
        QCOMPARE(emUso.ultima->PortaInicial, 9000);

        preenche(janela, {QStringLiteral("127"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1"),
                          QStringLiteral("5"), QStringLiteral("47000")});
        m_caixas->responde(Resposta::Sim);
        m_caixas->confirma();
        confirma(janela);
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from configuracao")), QStringLiteral("1"));
        QCOMPARE(emUso.vezes, 2);
        QCOMPARE(emUso.ultima->IpServidor, QStringLiteral("127.0.0.1"));
        QCOMPARE(emUso.ultima->QtdePortas, 5);
        QCOMPARE(emUso.ultima->PortaInicial, 47000);
    }

    void valorQueNaoSeLeriaDeVoltaEhRecusado_data()
    {
        QTest::addColumn<QString>("valores"); // the six boxes, "|" between them
        QTest::newRow("aspa na primeira caixa") << QStringLiteral("1'|0|0|1|3|9000");
        QTest::newRow("aspa na quarta caixa") << QStringLiteral("10|0|0|1'|3|9000");
        QTest::newRow("aspa na quantidade") << QStringLiteral("10|0|0|1|3'--|9000");
        QTest::newRow("nenhuma porta") << QStringLiteral("10|0|0|1|0|9000");
        QTest::newRow("porta inicial acima de 65535") << QStringLiteral("10|0|0|1|3|70000");
    }
    void valorQueNaoSeLeriaDeVoltaEhRecusado()
    {
        QFETCH(QString, valores);
        m_ambiente->executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
        frmConfiguracao janela(instalacaoAtual());
        const EmUso emUso(janela);
        preenche(janela, valores.split(QLatin1Char('|')));
        m_caixas->responde(Resposta::Sim);
        m_caixas->confirma();
        confirma(janela);
        QCOMPARE(m_caixas->mostradas().size(), 2);
        QVERIFY(caixaIgual(m_caixas->mostradas().at(1), kErroSalvar, QStringLiteral("Configurações"), Botoes::Ok,
                           Icone::Critico));
        QCOMPARE(m_ambiente->valor(
                     QStringLiteral("select ip_servidor||'|'||qtde_portas||'|'||porta_inicial from configuracao")),
                 QStringLiteral("127.0.0.1|3|47000"));
        QCOMPARE(emUso.vezes, 0);
    }

    void gravacaoQueOBancoRecusaTerminaNoErroComOBancoFechado()
    {
        m_ambiente->executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
        m_ambiente->executa(QStringLiteral(
            "create trigger bloqueia before update on configuracao begin select raise(abort, 'bloqueada'); end"));
        frmConfiguracao janela(instalacaoAtual());
        const EmUso emUso(janela);
        preenche(janela, {QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1"),
                          QStringLiteral("3"), QStringLiteral("9000")});
        m_caixas->responde(Resposta::Sim);
        m_caixas->confirma();
        confirma(janela);
        QCOMPARE(m_caixas->textos(), (QStringList{kPergunta, kErroSalvar}));
        QVERIFY(!SessaoBanco::algumaAberta());
        QCOMPARE(emUso.vezes, 0);
        QCOMPARE(m_ambiente->valor(QStringLiteral("select ip_servidor from configuracao")),
                 QStringLiteral("127.0.0.1"));
    }

    // While the site manages the settings, "Confirmar" asks as always, then
    // refuses, and nothing is saved nor put into use; so does a managed
    // configuration that cannot be used.
    void configuracaoGerenciadaNaoSeAltera_data()
    {
        QTest::addColumn<QByteArray>("sitio"); // the system's file
        QTest::addColumn<QString>("mensagem");
        QTest::addColumn<Icone>("icone");
        QTest::newRow("gerenciada") << QByteArray(
            "[servidor]\ngerenciado=sim\nip=10.1.2.3\nportas=2\nporta_inicial=7000\n")
                                    << QStringLiteral(
                                           "As configurações do servidor são definidas pela instalação e não "
                                           "podem ser alteradas aqui.")
                                    << Icone::Informacao;
        QTest::newRow("gerenciado que não é sim nem não")
            << QByteArray("[servidor]\ngerenciado=talvez\nip=10.1.2.3\nportas=2\nporta_inicial=7000\n")
            << QStringLiteral("As configurações do servidor definidas pela instalação não podem ser usadas.\r\n"
                              "O valor \"talvez\" de gerenciado em [servidor] de %1/tavo-upload.conf não é válido: "
                              "use sim ou não.")
            << Icone::Critico;
    }
    void configuracaoGerenciadaNaoSeAltera()
    {
        QFETCH(QByteArray, sitio);
        QFETCH(QString, mensagem);
        QFETCH(Icone, icone);
        mensagem = mensagem.arg(m_ambiente->pastaSistema());
        m_ambiente->executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
        QVERIFY(QDir().mkpath(m_ambiente->pastaSistema()));
        grava(m_ambiente->pastaSistema() + QStringLiteral("/tavo-upload.conf"), sitio);
        frmConfiguracao janela(instalacaoAtual());
        const EmUso emUso(janela);
        preenche(janela, {QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1"),
                          QStringLiteral("3"), QStringLiteral("9000")});
        m_caixas->responde(Resposta::Sim);
        m_caixas->confirma();
        confirma(janela);
        QCOMPARE(m_caixas->mostradas().size(), 2);
        QVERIFY(caixaIgual(m_caixas->mostradas().at(0), kPergunta, QStringLiteral("TAVO UPLOAD"), Botoes::SimNao,
                           Icone::Pergunta));
        QVERIFY(caixaIgual(m_caixas->mostradas().at(1), mensagem, QStringLiteral("Configurações"), Botoes::Ok, icone));
        QCOMPARE(m_ambiente->valor(
                     QStringLiteral("select ip_servidor||'|'||qtde_portas||'|'||porta_inicial from configuracao")),
                 QStringLiteral("127.0.0.1|3|47000"));
        QCOMPARE(emUso.vezes, 0);
    }

    void cancelarVoltaAoGuardado()
    {
        m_ambiente->executa(QStringLiteral("insert into configuracao values ('192.168.7', ' 4', '8000 ')"));
        frmConfiguracao janela(instalacaoAtual());
        const EmUso emUso(janela);
        QCOMPARE(caixa(janela, "Iparray_0")->text(), QStringLiteral("192"));
        QCOMPARE(caixa(janela, "Iparray_2")->text(), QStringLiteral("7"));
        QCOMPARE(caixa(janela, "txtQtdePortas")->text(), QStringLiteral("4"));
        QCOMPARE(caixa(janela, "txtPortaInicial")->text(), QStringLiteral("8000"));
        QTest::keyClicks(caixa(janela, "Iparray_3"), QStringLiteral("9"));
        caixa(janela, "Iparray_0")->setText(QStringLiteral("1"));
        QTest::mouseClick(janela.findChild<QPushButton *>(QStringLiteral("cmdCancelar")), Qt::LeftButton);
        QCOMPARE(caixa(janela, "Iparray_0")->text(), QStringLiteral("192"));
        // The stored address has three parts: the fourth box keeps its text.
        QCOMPARE(caixa(janela, "Iparray_3")->text(), QStringLiteral("9"));
        QCOMPARE(emUso.vezes, 1);
        QCOMPARE(emUso.ultima->IpServidor, QStringLiteral("192.168.7"));
        QCOMPARE(emUso.ultima->QtdePortas, 4);
        QCOMPARE(emUso.ultima->PortaInicial, 8000);
    }

    void cancelarSemConfiguracaoSauda()
    {
        frmConfiguracao janela(instalacaoAtual());
        const EmUso emUso(janela);
        m_caixas->confirma();
        QTest::mouseClick(janela.findChild<QPushButton *>(QStringLiteral("cmdCancelar")), Qt::LeftButton);
        QCOMPARE(m_caixas->mostradas().size(), 1);
        QCOMPARE(m_caixas->mostradas().at(0).titulo, QStringLiteral("TAVO - Upload"));
        // Nothing stored: what is in use stays.
        QCOMPARE(emUso.vezes, 0);
    }

    void fonteDoSistemaA150PorCentoNaoCortaLegendas_data()
    {
        QTest::addColumn<bool>("comAJanelaAberta");
        QTest::newRow("before the window opens") << false;
        QTest::newRow("while the window is open") << true;
    }
    void fonteDoSistemaA150PorCentoNaoCortaLegendas()
    {
        QFETCH(bool, comAJanelaAberta);
        std::unique_ptr<frmConfiguracao> janela;
        if (comAJanelaAberta)
            janela = std::make_unique<frmConfiguracao>(instalacaoAtual());
        const FonteAumentada fonte;
        if (!comAJanelaAberta)
            janela = std::make_unique<frmConfiguracao>(instalacaoAtual());
        janela->show();
        QVERIFY(QTest::qWaitForWindowExposed(janela.get()));

        // Drawn half as large again, the twips with it.
        QCOMPARE(janela->font().pointSizeF(), 12.0);
        const QRect ip = caixa(*janela, "Iparray_0")->geometry();
        QVERIFY2(ip.left() >= 87 * 1.4 && ip.width() >= 41 * 1.4 && ip.height() >= 19 * 1.4,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(ip.left()).arg(ip.width()).arg(ip.height())));
        QVERIFY(janela->width() >= 310 * 1.4);
        // Each caption fits its control in its own font.
        const QStringList cortadas = legendasCortadas(janela.get());
        QVERIFY2(cortadas.isEmpty(), qPrintable(cortadas.join(QStringLiteral(", "))));
    }

    void enterSoNoBotaoEEscFecha()
    {
        frmConfiguracao janela(instalacaoAtual());
        janela.show();
        janela.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&janela));
        const auto tecla = [](Qt::Key chave) { QTest::keyClick(QApplication::focusWidget(), chave); };
        // Enter in a box presses no button; on "Confirmar" it asks.
        caixa(janela, "txtQtdePortas")->setFocus();
        tecla(Qt::Key_Return);
        QCOMPARE(m_caixas->mostradas().size(), 0);
        m_caixas->responde(Resposta::Nao);
        janela.findChild<QPushButton *>(QStringLiteral("cmdConfirmar"))->setFocus();
        tecla(Qt::Key_Return);
        QCOMPARE(m_caixas->textos(), QStringList{kPergunta});
        // Enter on "Sair" closes, as does Escape from a box.
        janela.findChild<QPushButton *>(QStringLiteral("cmdSair"))->setFocus();
        tecla(Qt::Key_Return);
        QVERIFY(!janela.isVisible());
        janela.show();
        janela.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&janela));
        caixa(janela, "Iparray_2")->setFocus();
        tecla(Qt::Key_Escape);
        QVERIFY(!janela.isVisible());
        QCOMPARE(m_caixas->mostradas().size(), 1);
    }

private:
    std::unique_ptr<AmbienteTeste> m_ambiente;
    std::unique_ptr<CaixasRoteirizadas> m_caixas;
};

QTEST_MAIN(TstFrmConfiguracao)
#include "tst_frmConfiguracao.moc"
