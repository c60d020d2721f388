// "Gerar" on a real Access school database: the generation as a job, with the
// user's side scripted, and what the main window shows of it.
#include "CenarioPacote.h"

#include "common/Caminhos.h"
#include "common/FormataTamanho.h"
#include "common/gui/Interface.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "package/ArquivosTrabalho.h"
#include "package/GeracaoPacote.h"
#include "package/StatusZip.h"
#include "shell/AcessoBancada.h"
#include "shell/ListaArquivos.h"
#include "support/SistemaTeste.h"

#include "support/Controles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <functional>

using namespace CaixaMensagem;

namespace {

const QString kErroGerar =
    QStringLiteral("Atenção!\r\nOcorreu um erro ao gerar o arquivo.\r\n"
                   "Tente novamente. Caso o erro persista entre em contato com o suporte do TAVO.");
const QString kPacote = QStringLiteral("DADOS_31045678_01032026.zip");

// A generation and what it reported.
struct Geracao
{
    GeracaoPacote::Resultado resultado;
    // Each school read (none when the database names none).
    QList<std::optional<DadosEscola>> escolas;
    QList<EventoZip> eventos;
};

// "Gerar" as the window and the console run it, on the school database of
// the scenario and its date; `aCadaEvento` sees each progress event.
Geracao gera(CenarioPacote &c, const std::function<void(const EventoZip &)> &aCadaEvento = {})
{
    Geracao geracao;
    GeracaoPacote job(instalacaoAtual(), Caminhos::bancoEscola(), QDate(2026, 3, 1), c.usuario);
    QObject::connect(&job, &GeracaoPacote::escolaIdentificada,
                     [&](const std::optional<DadosEscola> &escola) { geracao.escolas.append(escola); });
    QObject::connect(&job, &GeracaoPacote::progressoZip, [&](const EventoZip &evento) {
        geracao.eventos.append(evento);
        if (aCadaEvento)
            aCadaEvento(evento);
    });
    geracao.resultado = job.executa();
    return geracao;
}

bool botoesDeEnvio(const frmPrincipal &janela, bool habilitados)
{
    return botao(janela, "cmdDisquete")->isEnabled() == habilitados
           && botao(janela, "cmdInternet")->isEnabled() == habilitados
           && botao(janela, "cmdTransmitir")->isEnabled() == habilitados;
}

// What the window looks like after any generation, good or bad.
void verificaRepouso(const frmPrincipal &janela)
{
    QVERIFY(!Interface::ponteiroEmAmpulheta());
    QVERIFY(rotulo(janela, "lblAguarde")->isHidden());
    QCOMPARE(rotulo(janela, "lblProgresso")->text(), QString());
    QVERIFY(botao(janela, "cmdGerar")->isEnabled());
    QVERIFY(botao(janela, "cmdProcurar")->isEnabled());
    QVERIFY(controle<QAction>(janela, "mnuArquivo")->isEnabled());
}

QStringList caixasDaEscola(const frmPrincipal &janela)
{
    QStringList textos;
    for (const char *nome : {"txtCodigoSRE", "txtSRE", "txtCodigoEscola", "txtEscola"})
        textos.append(caixaDeTexto(janela, nome)->text());
    return textos;
}

} // namespace

class TstGeraPacote : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void geraPacoteProntoParaEnviar()
    {
        CenarioPacote c;
        c.poeBancoEscola(QStringLiteral("escola_uma.mdb"));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));

        const Geracao g = gera(c);

        QCOMPARE(c.caixas.mostradas().size(), 0);
        QVERIFY(g.resultado.gerado);
        QCOMPARE(g.resultado.pacote, Caminhos::pastaPacotes() + kPacote);
        const QString pacote = c.pastaPacotes() + QLatin1Char('/') + kPacote;
        QVERIFY(CenarioPacote::bancoDoPacote(pacote) == CenarioPacote::le(c.local(Caminhos::bancoEscola())));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kPacote});
        QVERIFY(CenarioPacote::le(c.pastaTrabalho() + QLatin1Char('/') + kPacote) == CenarioPacote::le(pacote));
        QCOMPARE(g.resultado.escolhido.nome(), kPacote);
        QCOMPARE(g.resultado.escolhido.tamanho(), QFileInfo(pacote).size());
        QCOMPARE(g.resultado.escolhido.codigoEscola(), QStringLiteral("31045678"));
        QCOMPARE(g.escolas.size(), 1);
        QVERIFY(g.escolas.first());
        QCOMPARE(g.escolas.first()->codigoSRE, QStringLiteral("114"));
        QCOMPARE(g.escolas.first()->sre, QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"));
        QCOMPARE(g.escolas.first()->escola, QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"));
        QCOMPARE(g.escolas.first()->codigoEscola, QStringLiteral("31045678"));

        // The progress told true steps of the packing.
        QList<int> percentuais;
        for (const EventoZip &evento : g.eventos) {
            if (evento.acao == AcaoZip::Zipando && evento.item == QLatin1String("mirv_dat.mdb"))
                percentuais.append(evento.percentual);
        }
        QVERIFY2(percentuais.size() >= 5, qPrintable(QString::number(percentuais.size())));
        QVERIFY(std::any_of(percentuais.begin(), percentuais.end(), [](int p) { return p > 0 && p < 100; }));
        QVERIFY(g.eventos.contains(EventoZip{AcaoZip::Zipado, QStringLiteral("mirv_dat.mdb"), 100}));

        const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
        if (unzip.isEmpty())
            QSKIP("unzip is not installed: the package was checked with the program's own reader only");
        QProcess processo;
        processo.start(unzip, {QStringLiteral("-t"), pacote});
        QVERIFY(processo.waitForFinished(30000));
        QCOMPARE(processo.exitCode(), 0);
    }

    // The window's side of a good generation: the school in the boxes, the
    // package chosen, shown and selected, the "Enviar Arquivo" tab, the send
    // buttons on, and the progress in lblProgresso while the jobs are held off.
    void gerarMostraOPacoteEHabilitaOEnvio()
    {
        CenarioJanela c;
        c.poeBancoEscola(QStringLiteral("escola_uma.mdb"));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));
        QStringList linhas;
        bool bloqueado = true;
        QObject::connect(caixaDeTexto(c.janela, "txtZip"), &QLineEdit::textChanged, &c.janela, [&] {
            linhas.append(rotulo(c.janela, "lblProgresso")->text());
            bloqueado = bloqueado && !botao(c.janela, "cmdGerar")->isEnabled()
                        && !botao(c.janela, "cmdProcurar")->isEnabled()
                        && !botao(c.janela, "CancelaArquivo")->isEnabled()
                        && !controle<QAction>(c.janela, "mnuArquivo")->isEnabled();
        });

        botao(c.janela, "cmdGerar")->click();

        QCOMPARE(c.caixas.mostradas().size(), 0);
        const QString pacote = c.pastaPacotes() + QLatin1Char('/') + kPacote;
        QCOMPARE(c.janela.pacote().nome(), kPacote);
        auto *lista = controle<ListaArquivos>(c.janela, "File1");
        QCOMPARE(lista->count(), 1);
        QCOMPARE(lista->fileName(), kPacote);
        QCOMPARE(caixaDeTexto(c.janela, "txtCaminhoArquivo")->text(), Caminhos::pastaPacotes() + kPacote);
        QCOMPARE(caixaDeTexto(c.janela, "txtArquivo")->text(),
                 kPacote + QStringLiteral(" - ") + FormataTamanho(QFileInfo(pacote).size()));
        QCOMPARE(caixasDaEscola(c.janela),
                 (QStringList{QStringLiteral("114"), QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"),
                              QStringLiteral("31045678"), QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA")}));
        QCOMPARE(controle<QTabWidget>(c.janela, "SSTab")->currentIndex(), 1);
        QVERIFY(botoesDeEnvio(c.janela, true));
        verificaRepouso(c.janela);

        QVERIFY(bloqueado);
        static const QRegularExpression zipando(QStringLiteral("^Zipando mirv_dat\\.mdb -> (\\d+)%$"));
        int passos = 0;
        for (const QString &linha : linhas)
            passos += zipando.match(linha).hasMatch();
        QVERIFY2(passos >= 5, qPrintable(linhas.join(QLatin1Char('\n'))));
        QVERIFY(linhas.contains(QStringLiteral("Zipado mirv_dat.mdb -> 100%")));
    }

    void segundaGeracaoDoDiaSubstituiOPacote()
    {
        CenarioPacote c;
        c.poeBancoEscola(QStringLiteral("escola_uma.mdb"));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));
        QVERIFY(gera(c).resultado.gerado);
        // "Limpar" between the two: a generation on an empty working folder.
        LimpaPastaTemp(instalacaoAtual());
        c.poeBancoEscola(QStringLiteral("escola_codigo_numerico.mdb"));
        const Geracao segunda = gera(c);
        QVERIFY(segunda.resultado.gerado);
        QCOMPARE(c.caixas.mostradas().size(), 0);
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{kPacote});
        QVERIFY(CenarioPacote::bancoDoPacote(c.pastaPacotes() + QLatin1Char('/') + kPacote)
                == CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_codigo_numerico.mdb"))));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kPacote});
    }

    void escolaSemLinhaGeraPacoteSemCodigo()
    {
        CenarioPacote c;
        c.poeBancoEscola(QStringLiteral("escola_nenhuma.mdb"));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));
        const Geracao g = gera(c);
        QVERIFY(g.resultado.gerado);
        QCOMPARE(c.caixas.mostradas().size(), 0);
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{QStringLiteral("DADOS__01032026.zip")});
        QCOMPARE(g.escolas.size(), 1);
        QVERIFY(!g.escolas.first());
        QCOMPARE(g.resultado.escolhido.codigoEscola(), QString());
    }

    // A database that names no school empties the boxes a school filled before.
    void escolaSemLinhaEsvaziaAsCaixas()
    {
        CenarioJanela c;
        c.poeBancoEscola(QStringLiteral("escola_nenhuma.mdb"));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));
        caixaDeTexto(c.janela, "txtEscola")->setText(QStringLiteral("ANTERIOR"));
        caixaDeTexto(c.janela, "txtCodigoEscola")->setText(QStringLiteral("99999999"));
        botao(c.janela, "cmdGerar")->click();
        QCOMPARE(c.caixas.mostradas().size(), 0);
        QCOMPARE(caixasDaEscola(c.janela), QStringList(4, QString()));
        QVERIFY(botoesDeEnvio(c.janela, true));
    }

    void falhasDaoAMensagemUnicaSemPacote_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::newRow("pasta de pacotes ausente") << QStringLiteral("pacotes");
        QTest::newRow("banco da escola ausente") << QStringLiteral("banco");
        QTest::newRow("nulo no nome da escola") << QStringLiteral("nulo");
        QTest::newRow("pasta de trabalho protegida") << QStringLiteral("trabalho");
    }

    void falhasDaoAMensagemUnicaSemPacote()
    {
        QFETCH(QString, caso);
        CenarioPacote c;
        c.poeBancoEscola(caso == QLatin1String("nulo") ? QStringLiteral("escola_nulo.mdb")
                                                       : QStringLiteral("escola_uma.mdb"));
        if (caso != QLatin1String("pacotes"))
            QVERIFY(QDir().mkpath(c.pastaPacotes()));
        if (caso == QLatin1String("banco"))
            QVERIFY(QFile::remove(c.local(Caminhos::bancoEscola())));
        if (caso == QLatin1String("trabalho")) {
            const QString pasta = c.pastaTrabalho();
            FalhasArquivo::instala([pasta](const QString &destino) { return destino.startsWith(pasta) ? EROFS : 0; });
        }
        c.caixas.confirma();

        const Geracao g = gera(c);

        QVERIFY(!g.resultado.gerado);
        QVERIFY(g.resultado.escolhido.vazio());
        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), kErroGerar, QStringLiteral("Erro ao gerar arquivo"),
                           Botoes::Ok, Icone::Critico));
        if (caso == QLatin1String("nulo")) {
            // No school is told (the boxes keep the one they show), and no
            // package is made under a code.
            QVERIFY(g.escolas.isEmpty());
            QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList());
        }
        if (caso == QLatin1String("trabalho"))
            QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{kPacote});
        QVERIFY(CenarioPacote::arquivosDe(c.pastaTrabalho()).isEmpty());
    }

    // The window's side of a failure: the one message, the send buttons off
    // (a package chosen before is no longer offered), the boxes as they were.
    void falhaNaJanelaDesligaOEnvio()
    {
        CenarioJanela c;
        c.poeBancoEscola(QStringLiteral("escola_nulo.mdb"));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));
        c.janela.HabilitaBotoesEnvio();
        caixaDeTexto(c.janela, "txtCodigoEscola")->setText(QStringLiteral("99999999"));
        caixaDeTexto(c.janela, "txtEscola")->setText(QStringLiteral("ESCOLA ANTERIOR"));
        c.caixas.confirma();

        botao(c.janela, "cmdGerar")->click();

        QCOMPARE(c.caixas.textos(), QStringList{kErroGerar});
        QVERIFY(botoesDeEnvio(c.janela, false));
        QVERIFY(c.janela.pacote().vazio());
        QCOMPARE(caixaDeTexto(c.janela, "txtEscola")->text(), QStringLiteral("ESCOLA ANTERIOR"));
        QCOMPARE(caixaDeTexto(c.janela, "txtCodigoEscola")->text(), QStringLiteral("99999999"));
        verificaRepouso(c.janela);
    }

    // The school-management application writes the school database while
    // "Gerar" packs it (here once the packer has read it, as the progress
    // relay is told). A package that may be torn never takes the package's
    // name: one change, and the database is packed again as it is now; a
    // change on every try, and the one message, with the package folder as
    // it was and no copy in the working folder.
    void bancoAlteradoDuranteAGeracao_data()
    {
        QTest::addColumn<QString>("mudanca");
        QTest::addColumn<int>("vezes"); // at most one change per try
        for (const char *mudanca : {"cortado", "reescrito no mesmo tamanho", "substituido por outro"}) {
            QTest::addRow("%s, uma vez", mudanca) << QString::fromLatin1(mudanca) << 1;
            QTest::addRow("%s, a cada tentativa", mudanca) << QString::fromLatin1(mudanca) << 99;
        }
    }
    void bancoAlteradoDuranteAGeracao()
    {
        QFETCH(QString, mudanca);
        QFETCH(int, vezes);
        if (mudanca == QLatin1String("substituido por outro") && !SistemaTeste::substituiArquivoAberto())
            QSKIP("Windows does not put a file in place of one the generation holds open");
        CenarioPacote c;
        c.poeBancoEscola(QStringLiteral("escola_uma.mdb"));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));
        const QString banco = c.local(Caminhos::bancoEscola());
        const QString pacote = c.pastaPacotes() + QLatin1Char('/') + kPacote;
        CenarioPacote::grava(pacote, "pacote anterior de hoje");
        // A file system keeps the time of a change in ticks of milliseconds:
        // each write here gets a time of its own, as writes seconds apart do.
        const QDateTime antes = QDateTime::currentDateTime().addSecs(-3600);
        const auto altera = [&](int vez) {
            if (mudanca == QLatin1String("cortado")) {
                QVERIFY(QFile::resize(banco, QFileInfo(banco).size() / 2));
            } else if (mudanca == QLatin1String("reescrito no mesmo tamanho")) {
                QFile arquivo(banco);
                QVERIFY(arquivo.open(QIODevice::ReadWrite));
                QVERIFY(arquivo.seek(arquivo.size() / 2));
                QCOMPARE(arquivo.write(CenarioPacote::aleatorio(4096, quint32(vez))), 4096);
                QVERIFY(arquivo.setFileTime(antes.addSecs(vez), QFileDevice::FileModificationTime));
            } else {
                const QString outro = banco + QStringLiteral(".novo");
                CenarioPacote::grava(outro, CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_nulo.mdb"))));
                QCOMPARE(PlataformaArquivos::renomeia(outro, banco), 0);
            }
        };
        int feitas = 0;
        bool lido = false; // the packer of this try has read the database
        const auto aCadaEvento = [&](const EventoZip &evento) {
            if (evento.acao != AcaoZip::Zipando)
                return;
            const bool inicio = evento.percentual == 0;
            if (inicio)
                lido = false;
            if (inicio || lido || feitas >= vezes)
                return;
            lido = true;
            altera(++feitas);
        };

        if (vezes > 1)
            c.caixas.confirma();

        const Geracao g = gera(c, aCadaEvento);

        QCOMPARE(c.caixas.inesperadas(), 0);
        if (vezes == 1) {
            QCOMPARE(feitas, 1);
            QVERIFY(g.resultado.gerado);
            QCOMPARE(c.caixas.mostradas().size(), 0);
            QVERIFY(CenarioPacote::bancoDoPacote(pacote) == CenarioPacote::le(banco));
            QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{kPacote});
            QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kPacote});
            QVERIFY(CenarioPacote::le(c.pastaTrabalho() + QLatin1Char('/') + kPacote) == CenarioPacote::le(pacote));
            return;
        }
        // Tried once more, then given up.
        QCOMPARE(feitas, 2);
        QVERIFY(!g.resultado.gerado);
        QCOMPARE(g.resultado.causa, QStringLiteral("O banco de dados da escola foi alterado enquanto era lido."));
        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), kErroGerar, QStringLiteral("Erro ao gerar arquivo"),
                           Botoes::Ok, Icone::Critico));
        QCOMPARE(CenarioPacote::le(pacote), QByteArray("pacote anterior de hoje"));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{kPacote});
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList());
    }

    void cadaStatusDaUmaLinhaNovaNoProgresso()
    {
        CenarioJanela c;
        caixaDeTexto(c.janela, "txtZip")->setText(QStringLiteral("|12||mirv_dat.mdb|||45|"));
        QCOMPARE(rotulo(c.janela, "lblProgresso")->text(), QStringLiteral("Zipando mirv_dat.mdb -> 45%"));
        caixaDeTexto(c.janela, "txtZip")->setText(QStringLiteral("|99||b"));
        QCOMPARE(rotulo(c.janela, "lblProgresso")->text(), QStringLiteral("-=Desconhecido=- b -> 0%"));
    }

    void inicializacaoSemCaixaDeStatusAvisa()
    {
        CenarioJanela c;
        c.caixas.confirma();
        frmPrincipal::AcessoBancada(c.janela).InicializaZip(nullptr);
        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), QStringLiteral("Erro inicializando bibliotecas ZIP"),
                           QStringLiteral("Tavo_Upload_Cliente"), Botoes::Ok, Icone::Critico));
        frmPrincipal::AcessoBancada(c.janela).InicializaZip(caixaDeTexto(c.janela, "txtZip"));
    }
};

QTEST_MAIN(TstGeraPacote)
#include "tst_geraPacote.moc"
