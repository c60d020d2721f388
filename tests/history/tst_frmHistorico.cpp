// The history window, driven headless through its real controls.
#include "common/Relogio.h"
#include "history/GeraHistorico.h"
#include "history/gui/TextoMultilinha.h"
#include "history/gui/frmHistorico.h"
#include "shell/frmPrincipal.h"

#include "ImpressoraPdf.h"
#include "support/Acessivel.h"
#include "support/AmbienteTeste.h"
#include "support/CaixasRoteirizadas.h"
#include "support/Controles.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace CaixaMensagem;

namespace {

const QString kTitulo = QStringLiteral("Tavo_Upload_Cliente");
const QString kErroGerar = QStringLiteral("Ocorreu um erro ao gerar o histórico.\r\n");

void insere(const AmbienteTeste &ambiente, const QString &arquivo, const QString &data, const QString &tipo)
{
    ambiente.executa(QStringLiteral("insert into Historico (Nome_arquivo,data_envio,codigo_ace_estrut_orgn,"
                                    "codigo_escola,tipo_transmissao) values('%1','%2',114,31045678,'%3')")
                         .arg(arquivo, data, tipo));
}

void clica(QPushButton *botao)
{
    QTest::mouseClick(botao, Qt::LeftButton);
}

QComboBox *lista(const QObject &janela, const char *nome)
{
    return controle<QComboBox>(janela, nome);
}

TextoMultilinha *relatorio(const QObject &janela)
{
    return controle<TextoMultilinha>(janela, "txtHistorico");
}

} // namespace

class TstFrmHistorico : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }

    void init()
    {
        m_ambiente = std::make_unique<AmbienteTeste>();
        m_caixas = std::make_unique<CaixasRoteirizadas>();
        Relogio::fixa(QDateTime(QDate(2026, 3, 15), QTime(10, 0)));
        insere(*m_ambiente, QStringLiteral("fev_perio.zip"), QStringLiteral("10/02/2026 08:00:00"),
               QStringLiteral("PERIO"));
        insere(*m_ambiente, QStringLiteral("fev_anual.zip"), QStringLiteral("11/02/2026 08:00:00"),
               QStringLiteral("ANUAL"));
        insere(*m_ambiente, QStringLiteral("mar_perio.zip"), QStringLiteral("01/03/2026 08:00:00"),
               QStringLiteral("PERIO"));
        insere(*m_ambiente, QStringLiteral("mar_2025.zip"), QStringLiteral("01/03/2025 08:00:00"),
               QStringLiteral("ANUAL"));
    }
    void cleanup()
    {
        QCOMPARE(m_caixas->inesperadas(), 0);
        m_caixas.reset();
        m_ambiente.reset();
        Relogio::fixa({});
    }

    void abreNoMesCorrenteComOsControlesDaJanela()
    {
        frmHistorico janela(instalacaoAtual());
        QCOMPARE(m_caixas->mostradas().size(), 0);
        QCOMPARE(janela.windowTitle(), QStringLiteral("Histórico"));
        QCOMPARE(caixaDeTexto(janela, "txtAno")->text(), QStringLiteral("2026"));
        QCOMPARE(caixaDeTexto(janela, "txtAno")->maxLength(), 4);
        QStringList meses;
        for (int i = 0; i < lista(janela, "cmbMes")->count(); ++i)
            meses.append(lista(janela, "cmbMes")->itemText(i));
        QCOMPARE(meses,
                 (QStringList{QStringLiteral("JANEIRO"), QStringLiteral("FEVEREIRO"), QStringLiteral("MARÇO"),
                              QStringLiteral("ABRIL"), QStringLiteral("MAIO"), QStringLiteral("JUNHO"),
                              QStringLiteral("JULHO"), QStringLiteral("AGOSTO"), QStringLiteral("SETEMBRO"),
                              QStringLiteral("OUTUBRO"), QStringLiteral("NOVEMBRO"), QStringLiteral("DEZEMBRO")}));
        QCOMPARE(lista(janela, "cmbMes")->currentIndex(), 2);
        QCOMPARE(lista(janela, "cmbTipoTransmissao")->count(), 3);
        QCOMPARE(lista(janela, "cmbTipoTransmissao")->itemText(0), QStringLiteral("Periódica e Anual"));
        QCOMPARE(lista(janela, "cmbTipoTransmissao")->itemText(1), QStringLiteral("Periódica"));
        QCOMPARE(lista(janela, "cmbTipoTransmissao")->itemText(2), QStringLiteral("Anual"));
        QCOMPARE(lista(janela, "cmbTipoTransmissao")->currentIndex(), 0);
        QCOMPARE(rotulo(janela, "Label1")->text(), QStringLiteral("Mês"));
        QCOMPARE(rotulo(janela, "Ano")->text(), QStringLiteral("Ano"));
        QCOMPARE(rotulo(janela, "Label2")->text(), QStringLiteral("Tipo de Transmissão"));
        QCOMPARE(botao(janela, "cmdAtualizar")->text(), QStringLiteral("Atualizar"));
        QCOMPARE(botao(janela, "cmdImprimir")->text(), QStringLiteral("Imprimir"));
        QCOMPARE(botao(janela, "cmdCancelar")->text(), QStringLiteral("Sair"));
        const QGroupBox *faixa = controle<QGroupBox>(janela, "Frame1");
        QCOMPARE(faixa->title(), QString());
        for (QWidget *filho : std::initializer_list<QWidget *>{
                 rotulo(janela, "Label1"), lista(janela, "cmbMes"), rotulo(janela, "Ano"),
                 caixaDeTexto(janela, "txtAno"), rotulo(janela, "Label2"), lista(janela, "cmbTipoTransmissao"),
                 botao(janela, "cmdAtualizar"), botao(janela, "cmdImprimir"), botao(janela, "cmdCancelar")})
            QCOMPARE(filho->parentWidget(), faixa);

        QCOMPARE(relatorio(janela)->text(), GeraHistorico(instalacaoAtual(), 3, 2026, 0));
        QVERIFY(relatorio(janela)->text().contains(QStringLiteral("mar_perio.zip")));
        QVERIFY(relatorio(janela)->text().endsWith(QStringLiteral("TOTAL: 0001 ARQUIVO")));

        // A fixed-pitch font, wide enough for the rules.
        const QFont fonte = relatorio(janela)->font();
        QCOMPARE(fonte.family(), QStringLiteral("Courier New"));
        QCOMPARE(fonte.pointSizeF(), 8.25);
        QVERIFY(QFontInfo(fonte).fixedPitch());
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));
        const QFontMetrics medidas(fonte);
        QVERIFY(relatorio(janela)->viewport()->width() >= medidas.horizontalAdvance(QString(91, QLatin1Char('-'))));
    }

    void tabelaAntigaSobeDeVersaoNaAberturaSemMensagem_data()
    {
        QTest::addColumn<int>("mes");
        QTest::newRow("janeiro (primeiro da lista)") << 1;
        QTest::newRow("março") << 3;
        QTest::newRow("dezembro") << 12;
    }
    void tabelaAntigaSobeDeVersaoNaAberturaSemMensagem()
    {
        // The first refresh upgrades the table, the second shows its rows:
        // both run, whatever the month.
        QFETCH(int, mes);
        Relogio::fixa(QDateTime(QDate(2026, mes, 20), QTime(10, 0)));
        insere(*m_ambiente, QStringLiteral("velho.zip"),
               QStringLiteral("05/%1/2026 08:00:00").arg(mes, 2, 10, QLatin1Char('0')), QStringLiteral("X"));
        m_ambiente->executa(QStringLiteral("ALTER TABLE Historico DROP COLUMN tipo_transmissao"));
        frmHistorico janela(instalacaoAtual());
        QCOMPARE(m_caixas->mostradas().size(), 0);
        QCOMPARE(lista(janela, "cmbMes")->currentIndex(), mes - 1);
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from Historico where tipo_transmissao='ANUAL'")),
                 m_ambiente->valor(QStringLiteral("select count(*) from Historico")));
        QVERIFY(relatorio(janela)->text().contains(QStringLiteral("velho.zip    ANUAL\r\n")));
        QCOMPARE(relatorio(janela)->text(), GeraHistorico(instalacaoAtual(), static_cast<std::int16_t>(mes), 2026, 0));
    }

    void mudarMesOuTipoAtualizaNaHora()
    {
        frmHistorico janela(instalacaoAtual());
        lista(janela, "cmbMes")->setCurrentIndex(1);
        QVERIFY(relatorio(janela)->text().startsWith(QStringLiteral("HISTÓRICO DE ENVIO DE ARQUIVOS DO TAVO\r\n"
                                                                    "FEVEREIRO/2026\r\n")));
        QVERIFY(relatorio(janela)->text().endsWith(QStringLiteral("TOTAL: 0002 ARQUIVOS")));

        lista(janela, "cmbTipoTransmissao")->setCurrentIndex(2);
        QCOMPARE(relatorio(janela)->text(), GeraHistorico(instalacaoAtual(), 2, 2026, 2));
        QVERIFY(relatorio(janela)->text().contains(QStringLiteral("fev_anual.zip")));
        QVERIFY(!relatorio(janela)->text().contains(QStringLiteral("fev_perio.zip")));

        // A choice made with the keyboard, as a user makes it.
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));
        lista(janela, "cmbTipoTransmissao")->setFocus();
        QTest::keyClick(lista(janela, "cmbTipoTransmissao"), Qt::Key_Up);
        QCOMPARE(lista(janela, "cmbTipoTransmissao")->currentIndex(), 1);
        QCOMPARE(relatorio(janela)->text(), GeraHistorico(instalacaoAtual(), 2, 2026, 1));
        QVERIFY(relatorio(janela)->text().contains(QStringLiteral("fev_perio.zip")));
        QCOMPARE(m_caixas->mostradas().size(), 0);
    }

    void anoNovoSoValeDepoisDeAtualizar()
    {
        frmHistorico janela(instalacaoAtual());
        const QString antes = relatorio(janela)->text();
        caixaDeTexto(janela, "txtAno")->clear();
        QTest::keyClicks(caixaDeTexto(janela, "txtAno"), QStringLiteral("2025"));
        QCOMPARE(relatorio(janela)->text(), antes);
        clica(botao(janela, "cmdAtualizar"));
        QCOMPARE(relatorio(janela)->text(), GeraHistorico(instalacaoAtual(), 3, 2025, 0));
        QVERIFY(relatorio(janela)->text().contains(QStringLiteral("mar_2025.zip")));

        // A change of list also takes the typed year.
        caixaDeTexto(janela, "txtAno")->setText(QStringLiteral("999"));
        lista(janela, "cmbMes")->setCurrentIndex(0);
        QCOMPARE(relatorio(janela)->text(), GeraHistorico(instalacaoAtual(), 1, 999, 0));
        QVERIFY(relatorio(janela)->text().contains(QStringLiteral("\r\nJANEIRO/999\r\n")));
        QCOMPARE(m_caixas->mostradas().size(), 0);
    }

    void anoQueNaoEhNumeroRecusado_data()
    {
        QTest::addColumn<QString>("ano");
        QTest::newRow("vazio") << QString();
        QTest::newRow("brancos") << QStringLiteral("  ");
        QTest::newRow("letras") << QStringLiteral("20a6");
        QTest::newRow("fração") << QStringLiteral("20.5");
        QTest::newRow("só o sinal") << QStringLiteral("-");
    }
    void anoQueNaoEhNumeroRecusado()
    {
        QFETCH(QString, ano);
        frmHistorico janela(instalacaoAtual());
        const QString antes = relatorio(janela)->text();
        caixaDeTexto(janela, "txtAno")->setText(ano);
        m_caixas->confirma();
        clica(botao(janela, "cmdAtualizar"));
        QCOMPARE(m_caixas->mostradas().size(), 1);
        QVERIFY(caixaIgual(m_caixas->mostradas().at(0),
                           QStringLiteral("O ano informado não é válido.\r\n"
                                          "Informe o ano somente com números, por exemplo 2026."),
                           kTitulo, Botoes::Ok, Icone::Informacao));
        QCOMPARE(relatorio(janela)->text(), antes);
        // A list change with the same year is refused the same way.
        m_caixas->confirma();
        lista(janela, "cmbMes")->setCurrentIndex(1);
        QCOMPARE(m_caixas->mostradas().size(), 2);
        QCOMPARE(relatorio(janela)->text(), antes);
    }

    void falhaMantemORelatorioAnteriorQueEhOImpresso()
    {
        QTemporaryDir pasta;
        ImpressoraPdf impressora(pasta.path());
        frmHistorico janela(instalacaoAtual());
        const QString anterior = relatorio(janela)->text();
        QVERIFY(anterior.contains(QStringLiteral("mar_perio.zip")));

        m_ambiente->executa(QStringLiteral("DROP TABLE ACE_ESTRUT_ORGN"));
        m_caixas->confirma();
        lista(janela, "cmbMes")->setCurrentIndex(1);
        QCOMPARE(m_caixas->mostradas().size(), 1);
        const Registro caixa = m_caixas->mostradas().at(0);
        QVERIFY2(caixa.texto.startsWith(kErroGerar) && caixa.texto.size() > kErroGerar.size(), qPrintable(caixa.texto));
        QVERIFY(caixaIgual(caixa, caixa.texto, kTitulo, Botoes::Ok, Icone::Informacao));
        QCOMPARE(relatorio(janela)->text(), anterior);

        m_caixas->responde(Resposta::Sim);
        clica(botao(janela, "cmdImprimir"));
        QCOMPARE(m_caixas->mostradas().size(), 2);
        QCOMPARE(impressora.documentos().size(), 1);
        TAVO_LE_PDF_OU_PULA();
        QCOMPARE(LeituraPdf::linhas(impressora.documentos().constFirst()), linhasDoRelatorio(anterior));
    }

    void falhaDaSubidaDeVersaoAvisadaSemMudarATabela()
    {
        m_ambiente->executa(QStringLiteral("ALTER TABLE Historico DROP COLUMN tipo_transmissao"));
        m_ambiente->executa(QStringLiteral(
            "CREATE TRIGGER bloqueia BEFORE UPDATE ON Historico BEGIN SELECT RAISE(ABORT, 'tabela bloqueada'); END"));
        m_caixas->confirma(2);
        frmHistorico janela(instalacaoAtual());
        // Both refreshes meet the old table and fail to upgrade it.
        QCOMPARE(m_caixas->mostradas().size(), 2);
        for (const Registro &caixa : m_caixas->mostradas())
            QVERIFY(caixaIgual(caixa, kErroGerar + QStringLiteral("tabela bloqueada"), kTitulo, Botoes::Ok,
                               Icone::Informacao));
        QCOMPARE(relatorio(janela)->text(), QString());
        // Neither statement stayed: the column is still missing.
        QCOMPARE(m_ambiente->valor(QStringLiteral("select count(*) from pragma_table_info('Historico') "
                                                  "where name='tipo_transmissao'")),
                 QStringLiteral("0"));
    }

    void imprimirPerguntaEImprimeOTextoDaCaixa()
    {
        QTemporaryDir pasta;
        ImpressoraPdf impressora(pasta.path());
        frmHistorico janela(instalacaoAtual());

        m_caixas->responde(Resposta::Nao);
        clica(botao(janela, "cmdImprimir"));
        QCOMPARE(m_caixas->mostradas().size(), 1);
        QVERIFY(caixaIgual(m_caixas->mostradas().at(0), QStringLiteral("Deseja realmente imprimir o Histórico"),
                           kTitulo, Botoes::SimNao, Icone::Pergunta));
        QCOMPARE(impressora.pedidos(), 0);

        // What is printed is the box's text as it stands, twice: two documents.
        const QString texto = relatorio(janela)->text();
        m_caixas->responde(Resposta::Sim);
        m_caixas->responde(Resposta::Sim);
        clica(botao(janela, "cmdImprimir"));
        clica(botao(janela, "cmdImprimir"));
        QCOMPARE(m_caixas->mostradas().size(), 3);
        QCOMPARE(impressora.documentos().size(), 2);
        TAVO_LE_PDF_OU_PULA();
        for (const QString &pdf : impressora.documentos())
            QCOMPARE(LeituraPdf::linhas(pdf), linhasDoRelatorio(texto));
        QCOMPARE(relatorio(janela)->text(), texto);

        impressora.retira();
        m_caixas->responde(Resposta::Sim);
        m_caixas->confirma();
        clica(botao(janela, "cmdImprimir"));
        QCOMPARE(m_caixas->mostradas().size(), 5);
        QVERIFY(caixaIgual(m_caixas->mostradas().at(4), QStringLiteral("Ocorreu um erro ao imprimir o Histórico!"),
                           kTitulo, Botoes::Ok, Icone::Critico));
        QCOMPARE(relatorio(janela)->text(), texto);
    }

    void sairFechaSemPerguntar()
    {
        frmHistorico janela(instalacaoAtual());
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));
        clica(botao(janela, "cmdCancelar"));
        QVERIFY(!janela.isVisible());
        QCOMPARE(m_caixas->mostradas().size(), 0);
    }

    void tudoPeloTeclado()
    {
        frmHistorico janela(instalacaoAtual());
        janela.show();
        janela.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&janela));
        const auto tecla = [](Qt::Key chave) { QTest::keyClick(QApplication::focusWidget(), chave); };
        // Tab walks the band from left to right, then the report, and round.
        lista(janela, "cmbMes")->setFocus();
        const QList<QWidget *> ordem = {caixaDeTexto(janela, "txtAno"), lista(janela, "cmbTipoTransmissao"),
                                        botao(janela, "cmdAtualizar"),  botao(janela, "cmdImprimir"),
                                        botao(janela, "cmdCancelar"),   relatorio(janela),
                                        lista(janela, "cmbMes")};
        for (QWidget *proximo : ordem) {
            tecla(Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), proximo);
        }
        // An arrow on the month shows that month; Enter on "Atualizar" a year typed.
        tecla(Qt::Key_Up);
        QCOMPARE(relatorio(janela)->text(), GeraHistorico(instalacaoAtual(), 2, 2026, 0));
        caixaDeTexto(janela, "txtAno")->setText(QStringLiteral("2025"));
        botao(janela, "cmdAtualizar")->setFocus();
        tecla(Qt::Key_Return);
        QCOMPARE(relatorio(janela)->text(), GeraHistorico(instalacaoAtual(), 2, 2025, 0));
        // Escape closes, as "Sair" does.
        relatorio(janela)->setFocus();
        tecla(Qt::Key_Escape);
        QVERIFY(!janela.isVisible());
        QCOMPARE(m_caixas->mostradas().size(), 0);
    }

    void legendasCabemComAFonteDoSistemaA150PorCento()
    {
        const FonteAumentada fonte;
        frmHistorico janela(instalacaoAtual());
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));
        QCOMPARE(rotulo(janela, "Label2")->font().pointSizeF(), fonte.grande().pointSizeF());
        const QStringList cortadas = legendasCortadas(&janela);
        QVERIFY2(cortadas.isEmpty(), qPrintable(cortadas.join(QStringLiteral(", "))));
    }

    void menuHistoricoAbreAJanelaModal()
    {
        frmPrincipal principal(instalacaoAtual());
        principal.show();
        bool aberta = false;
        bool modal = false;
        QWidget *pai = nullptr;
        QString texto;
        // Looks at the window once its own event loop runs, then closes it;
        // a second timer closes anything left open so the test cannot hang.
        QTimer::singleShot(0, &principal, [&] {
            auto *janela = qobject_cast<frmHistorico *>(QApplication::activeModalWidget());
            if (janela) {
                aberta = true;
                modal = janela->isModal();
                pai = janela->parentWidget();
                texto = relatorio(*janela)->text();
                botao(*janela, "cmdCancelar")->click();
            }
        });
        QTimer guarda;
        guarda.setSingleShot(true);
        connect(&guarda, &QTimer::timeout, &principal, [] {
            if (QWidget *janela = QApplication::activeModalWidget())
                janela->close();
        });
        guarda.start(10000);
        controle<QAction>(principal, "mnuHistorico")->trigger();
        QVERIFY(aberta);
        QVERIFY(modal);
        QCOMPARE(pai, &principal);
        QCOMPARE(texto, GeraHistorico(instalacaoAtual(), 3, 2026, 0));
    }

private:
    std::unique_ptr<AmbienteTeste> m_ambiente;
    std::unique_ptr<CaixasRoteirizadas> m_caixas;
};

QTEST_MAIN(TstFrmHistorico)
#include "tst_frmHistorico.moc"
