// The main window's start-up and exit, driven headless.
#include "common/Caminhos.h"
#include "shell/ListaArquivos.h"
#include "shell/frmPrincipal.h"
#include "store/Configuracao.h"

#include "support/AmbienteTeste.h"
#include "support/CaixasRoteirizadas.h"
#include "support/Controles.h"

#include "common/Erro.h"
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>

using namespace CaixaMensagem;

namespace {

const QString kBoasVindas =
    QStringLiteral("Bem Vindo ao sistema de Transferência de Arquivos do TAVO (TAVO - Upload).\r\n"
                   "Vá ao menu Configuração e informa as cinfigurações iniciais.");

QImage figura(QPushButton *botao, QIcon::Mode modo)
{
    return botao->icon().pixmap(16, 16, modo).toImage();
}

const QString kNomeEscritorio = QStringLiteral("select descricao from ACE_ESTRUT_ORGN where codigo=114");

// A site's list of offices naming office 114 for real (not a placeholder).
void listaDoSitio()
{
    QFile lista(instalacaoAtual().naPastaPrograma(QStringLiteral("\\escritorios_regionais.tsv")));
    QVERIFY(lista.open(QIODevice::WriteOnly));
    lista.write("114\tNOVA ERA\n");
}

// Notes, at each key press a widget takes, the office's name stored then.
class SondaEntrada : public QObject
{
public:
    SondaEntrada(QWidget *alvo, const AmbienteTeste &ambiente)
        : m_ambiente(ambiente)
    {
        alvo->installEventFilter(this);
    }
    QStringList vistos;

protected:
    bool eventFilter(QObject *, QEvent *evento) override
    {
        if (evento->type() == QEvent::KeyPress)
            vistos.append(m_ambiente.valor(kNomeEscritorio));
        return false;
    }

private:
    const AmbienteTeste &m_ambiente;
};

} // namespace

class TstFrmPrincipal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void primeiraExecucaoSaudaEAbreComBotoesDeEnvioDesligados()
    {
        AmbienteTeste ambiente;
        CaixasRoteirizadas caixas;
        caixas.confirma();
        frmPrincipal janela(instalacaoAtual());
        controle<QTabWidget>(janela, "SSTab")->setCurrentIndex(2);
        janela.Form_Load();
        janela.show();

        QCOMPARE(caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(caixas.mostradas().at(0), kBoasVindas, QStringLiteral("TAVO - Upload"), Botoes::Ok,
                           Icone::Informacao));
        QCOMPARE(janela.configuracao().IpServidor, QString());
        QCOMPARE(janela.configuracao().QtdePortas, 0);
        QCOMPARE(janela.configuracao().PortaInicial, 0);
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from configuracao")), QStringLiteral("0"));
        QCOMPARE(controle<QTabWidget>(janela, "SSTab")->currentIndex(), 0);
        QCOMPARE(controle<QTabWidget>(janela, "SSTab")->tabText(0), QStringLiteral("Gerar Arquivo"));
        QCOMPARE(janela.windowTitle(), QStringLiteral("TAVO - Upload v.1.2"));
        QCOMPARE(rotulo(janela, "lblsendingfile")->text(), QString());
        QCOMPARE(rotulo(janela, "lblMensagem")->text(), QString());
        QCOMPARE(rotulo(janela, "lblstatus")->text(), QStringLiteral("Status: Desconectado."));
        for (const char *nome : {"cmdDisquete", "cmdInternet", "cmdTransmitir"}) {
            auto *achado = botao(janela, nome);
            QVERIFY2(achado, nome);
            QVERIFY(!achado->isEnabled());
            QCOMPARE(figura(achado, QIcon::Disabled), figura(achado, QIcon::Normal));
        }
        QVERIFY(botao(janela, "cmdGerar")->isEnabled());
        QCOMPARE(caixas.inesperadas(), 0);
    }

    void configuracaoGuardadaEntraEmUsoSemSaudacao()
    {
        AmbienteTeste ambiente;
        ambiente.executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
        ambiente.executa(QStringLiteral("update ACE_ESTRUT_ORGN set descricao='ERRADA' where codigo=114"));
        CaixasRoteirizadas caixas;
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        QCOMPARE(caixas.mostradas().size(), 0);
        QCOMPARE(janela.configuracao().IpServidor, QStringLiteral("127.0.0.1"));
        QCOMPARE(janela.configuracao().QtdePortas, 3);
        QCOMPARE(janela.configuracao().PortaInicial, 47000);
        // The shipped list's towns are placeholders: the stored name stays.
        QCOMPARE(ambiente.valor(QStringLiteral("select descricao from ACE_ESTRUT_ORGN where codigo=114")),
                 QStringLiteral("ERRADA"));
    }

    // The offices' names are refreshed after the window's first paint and,
    // whatever comes first, before the window takes the user's first input.
    void escritoriosAtualizadosAntesDaPrimeiraEntrada_data()
    {
        QTest::addColumn<bool>("teclaLogo"); // a key pressed right after show(), events not yet processed
        QTest::newRow("tecla logo após mostrar") << true;
        QTest::newRow("depois da primeira pintura") << false;
    }
    void escritoriosAtualizadosAntesDaPrimeiraEntrada()
    {
        QFETCH(bool, teclaLogo);
        AmbienteTeste ambiente;
        ambiente.executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
        ambiente.executa(QStringLiteral("update ACE_ESTRUT_ORGN set descricao='ANTIGA' where codigo=114"));
        listaDoSitio();
        CaixasRoteirizadas caixas;
        frmPrincipal janela(instalacaoAtual());
        SondaEntrada sonda(caixaDeTexto(janela, "txtCodigoEscola"), ambiente);
        janela.Form_Load();
        janela.show();
        if (teclaLogo) {
            QTest::keyClick(caixaDeTexto(janela, "txtCodigoEscola"), Qt::Key_1);
            QCOMPARE(sonda.vistos, QStringList{QStringLiteral("SSRE DE NOVA ERA")});
        } else {
            QVERIFY(QTest::qWaitForWindowExposed(&janela));
            QTRY_COMPARE(ambiente.valor(kNomeEscritorio), QStringLiteral("SSRE DE NOVA ERA"));
            // Once only: a name changed since is not written over again.
            ambiente.executa(QStringLiteral("update ACE_ESTRUT_ORGN set descricao='OUTRA' where codigo=114"));
            QTest::keyClick(caixaDeTexto(janela, "txtCodigoEscola"), Qt::Key_1);
            QCOMPARE(sonda.vistos, QStringList{QStringLiteral("OUTRA")});
        }
        QCOMPARE(caixaDeTexto(janela, "txtCodigoEscola")->text(), QStringLiteral("1"));
        QCOMPARE(caixas.mostradas().size(), 0);
    }

    // A refresh that fails is logged, once, and stops nothing; a load that
    // could not read the database refreshes nothing. No box either way.
    void atualizacaoQueFalhaNaoImpedeAEntrada_data()
    {
        QTest::addColumn<bool>("bancoLegivel");
        QTest::newRow("sem a tabela dos escritórios") << true;
        QTest::newRow("banco ilegível") << false;
    }
    void atualizacaoQueFalhaNaoImpedeAEntrada()
    {
        QFETCH(bool, bancoLegivel);
        AmbienteTeste ambiente;
        ambiente.executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
        ambiente.executa(QStringLiteral("drop table ACE_ESTRUT_ORGN"));
        listaDoSitio();
        if (!bancoLegivel) {
            QFile arquivo(ambiente.bancoLocal());
            QVERIFY(arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
            arquivo.write(QByteArray("SQLite format 3") + QByteArray(1, '\0') + QByteArray(3000, '\x7f'));
        }
        const QRegularExpression aviso(QStringLiteral("^Regional office names not refreshed:"));
        CaixasRoteirizadas caixas;
        if (bancoLegivel) {
            QTest::ignoreMessage(QtWarningMsg, aviso);
        } else {
            caixas.confirma(); // the database cannot be read
            QTest::failOnWarning(aviso);
        }
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        janela.show();
        QTest::keyClick(caixaDeTexto(janela, "txtCodigoEscola"), Qt::Key_1);
        if (bancoLegivel)
            QTest::failOnWarning(aviso);
        QVERIFY(QTest::qWaitForWindowExposed(&janela));
        QCoreApplication::processEvents();
        QTest::keyClick(caixaDeTexto(janela, "txtCodigoEscola"), Qt::Key_2);
        QCOMPARE(caixaDeTexto(janela, "txtCodigoEscola")->text(), QStringLiteral("12"));
        QVERIFY(janela.isVisible());
        QCOMPARE(caixas.mostradas().size(), bancoLegivel ? 0 : 1);
        QCOMPARE(caixas.inesperadas(), 0);
    }

    void sairPerguntaPorTodosOsCaminhos()
    {
        AmbienteTeste ambiente;
        ambiente.executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
        CaixasRoteirizadas caixas;
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        janela.show();
        auto *sair = janela.findChild<QAction *>(QStringLiteral("mnuSair"));
        QVERIFY(sair);
        QCOMPARE(sair->text(), QStringLiteral("&Sair"));

        caixas.responde(Resposta::Nao);
        sair->trigger();
        QVERIFY(janela.isVisible());
        caixas.responde(Resposta::Nao);
        QVERIFY(!janela.close());
        QVERIFY(janela.isVisible());
        QCOMPARE(caixas.mostradas().size(), 2);
        for (const Registro &caixa : caixas.mostradas())
            QVERIFY(caixaIgual(caixa, QStringLiteral("Deseja realmente sair?"), QStringLiteral("TAVO"), Botoes::SimNao,
                               Icone::Informacao));

        caixas.responde(Resposta::Sim);
        sair->trigger();
        QVERIFY(!janela.isVisible());
        QCOMPARE(caixas.inesperadas(), 0);
    }

    void bancoLocalAusenteOuCorrompidoAvisaEAbreAJanela_data()
    {
        QTest::addColumn<bool>("corrompido");
        QTest::newRow("ausente") << false;
        QTest::newRow("corrompido") << true;
    }
    void bancoLocalAusenteOuCorrompidoAvisaEAbreAJanela()
    {
        QFETCH(bool, corrompido);
        AmbienteTeste ambiente(false);
        const QString caminho = instalacaoAtual().naPastaPrograma(Caminhos::bancoLocal());
        if (corrompido) {
            QFile arquivo(caminho);
            QVERIFY(arquivo.open(QIODevice::WriteOnly));
            arquivo.write(QByteArray("SQLite format 3") + QByteArray(1, '\0') + QByteArray(3000, '\x7f'));
        }
        CaixasRoteirizadas caixas;
        caixas.confirma();
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        janela.show();
        QVERIFY(janela.isVisible());
        QCOMPARE(caixas.mostradas().size(), 1);
        const Registro &caixa = caixas.mostradas().first();
        QVERIFY(caixa.texto.startsWith(
            QStringLiteral("Não foi possível ler o banco de dados local \"%1\".\r\n").arg(caminho)));
        QVERIFY(caixa.texto.size() > caminho.size() + 50); // the engine's own words follow
        QCOMPARE(caixa.icone, Icone::Critico);
        QCOMPARE(caixa.titulo, QStringLiteral("Tavo_Upload_Cliente"));
        QCOMPARE(janela.configuracao().QtdePortas, 0);
    }

    void enviarHabilitaEDesabilitaOsTresBotoes()
    {
        AmbienteTeste ambiente;
        CaixasRoteirizadas caixas;
        caixas.confirma();
        frmPrincipal janela(instalacaoAtual());
        janela.Form_Load();
        janela.HabilitaBotoesEnvio();
        QVERIFY(botao(janela, "cmdDisquete")->isEnabled() && botao(janela, "cmdInternet")->isEnabled()
                && botao(janela, "cmdTransmitir")->isEnabled());
        janela.DesabilitaBotoesEnvio();
        QVERIFY(!botao(janela, "cmdDisquete")->isEnabled() && !botao(janela, "cmdInternet")->isEnabled()
                && !botao(janela, "cmdTransmitir")->isEnabled());
    }

    void listaDeArquivosEmOrdemDeNome()
    {
        AmbienteTeste ambiente;
        const QString pasta = instalacaoAtual().local(QStringLiteral("c:\\temp_tavo"));
        QDir().mkpath(pasta);
        for (const char *nome : {"b.zip.002", "B.zip.001", "a.zip"}) {
            QFile arquivo(pasta + QLatin1Char('/') + QLatin1String(nome));
            QVERIFY(arquivo.open(QIODevice::WriteOnly));
        }
        ListaArquivos lista(instalacaoAtual());
        lista.setPath(QStringLiteral("c:\\temp_tavo\\"));
        QCOMPARE(lista.path(), QStringLiteral("c:\\temp_tavo"));
        QCOMPARE(lista.count(), 3);
        QCOMPARE(lista.nome(0), QStringLiteral("a.zip"));
        QCOMPARE(lista.nome(1), QStringLiteral("B.zip.001"));
        QCOMPARE(lista.fileName(), QString());
        lista.setListIndex(2);
        QCOMPARE(lista.fileName(), QStringLiteral("b.zip.002"));
        lista.setListIndex(-1);
        QCOMPARE(lista.fileName(), QString());
        QVERIFY_THROWS_EXCEPTION(ErroTavo, lista.setPath(QStringLiteral("c:\\nao_existe")));
        QCOMPARE(lista.path(), QStringLiteral("c:\\temp_tavo"));
    }
};

QTEST_MAIN(TstFrmPrincipal)
#include "tst_frmPrincipal.moc"
