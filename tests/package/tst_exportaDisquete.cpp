// "Disquete": a chosen package copied to drive a:, whole or in pieces, with
// the prompts, the three tries and the error cases; the export runs as a job
// with the user's side scripted. What the window shows of it is checked once,
// through "Disquete" itself.
#include "CenarioPacote.h"

#include "common/Caminhos.h"
#include "common/gui/Interface.h"
#include "common/plataforma/PlataformaMontagens.h"
#include "package/ArquivosTrabalho.h"
#include "package/ExportacaoDisquete.h"
#include "package/Pedacos.h"
#include "shell/ListaArquivos.h"

#include "support/Controles.h"
#include "support/SistemaTeste.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using namespace CaixaMensagem;

namespace {

const QString kNome = QStringLiteral("DADOS_31045678_01032026.zip");
const QString kSucesso = QStringLiteral("Arquivo copiado com sucesso!");
const QString kNaoFoiPossivel = QStringLiteral("Não foi possível copiar para o disquete.");
const QString kInsiraUm = QStringLiteral("Insira um disquete no drive.");
const QString kCheio = QStringLiteral("Atenção!\r\nVerifique se o disquete está cheio ou protegido contra gravação!");

// The chosen package as "Gerar" leaves it: in the package folder (program form).
QString pacoteGerado()
{
    return Caminhos::pastaPacotes() + kNome;
}

// A package of `tamanho` bytes put where pacoteGerado() names it.
QByteArray poePacote(CenarioPacote &c, qint64 tamanho)
{
    const QByteArray dados = CenarioPacote::aleatorio(tamanho, quint32(tamanho));
    CenarioPacote::grava(c.pastaPacotes() + QLatin1Char('/') + kNome, dados);
    return dados;
}

// What the export said of its work besides its messages.
struct Sinais
{
    int pastaMudou = 0;
    int cortes = 0;
};

// "Disquete" on the package at `caminho`: its check, then the export.
Sinais exporta(CenarioPacote &c, const QString &caminho = pacoteGerado())
{
    Sinais sinais;
    ExportacaoDisquete exportacao(instalacaoAtual(), caminho, c.usuario);
    QObject::connect(&exportacao, &ExportacaoDisquete::pastaTrabalhoMudou, [&] { ++sinais.pastaMudou; });
    QObject::connect(&exportacao, &ExportacaoDisquete::cortado, [&] { ++sinais.cortes; });
    if (exportacao.confere())
        exportacao.executa();
    return sinais;
}

QString prompt(int i, int n)
{
    return QStringLiteral("Insira o disquete %1 de %2").arg(i).arg(n);
}

// A small tmpfs on `pasta` while the object lives: a medium in the drive.
struct MidiaMontada
{
    MidiaMontada(const QString &pasta, bool somenteLeitura)
        : caminho(pasta)
    {
        QDir().mkpath(pasta);
        if (!SistemaTeste::administrador())
            motivo = "needs root to mount a tmpfs as drive a: (Linux)";
        else if (!SistemaTeste::montaPequena(pasta, "1m", somenteLeitura))
            motivo = "mounting a tmpfs is not permitted here";
    }
    ~MidiaMontada()
    {
        if (motivo.isEmpty())
            SistemaTeste::desmonta(caminho);
    }
    QString caminho;
    QByteArray motivo;
};

} // namespace

class TstExportaDisquete : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void semArquivoSoAvisa()
    {
        CenarioPacote c;
        QVERIFY(QDir().mkpath(c.pastaTrabalho()));
        CenarioPacote::grava(c.pastaTrabalho() + QStringLiteral("/guardado.zip"), "x");
        for (const QString &caminho :
             QStringList{QStringLiteral("   "), Caminhos::pastaPacotes() + QStringLiteral("falta.zip")}) {
            c.caixas.limpa();
            c.caixas.confirma();
            ExportacaoDisquete exportacao(instalacaoAtual(), caminho, c.usuario);
            QVERIFY(!exportacao.confere());
            QCOMPARE(c.caixas.mostradas().size(), 1);
            QVERIFY(caixaIgual(c.caixas.mostradas().first(), QStringLiteral("O Arquivo não existe!"),
                               QStringLiteral("Tavo_Upload_Cliente"), Botoes::Ok, Icone::Critico));
        }
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{QStringLiteral("guardado.zip")});
    }

    void pacoteQueCabeVaiInteiroSemPrompts()
    {
        CenarioPacote c;
        const QByteArray dados = poePacote(c, TamanhoPedaco());
        QVERIFY(QDir().mkpath(c.disquete()));
        c.caixas.confirma();
        QCOMPARE(DivideArquivo(instalacaoAtual(), pacoteGerado()), 0); // nothing to cut
        QVERIFY(!QFileInfo::exists(c.pastaTrabalho()));
        const Sinais sinais = exporta(c);
        QCOMPARE(sinais.cortes, 0);
        QCOMPARE(c.caixas.textos(), QStringList{kSucesso});
        QVERIFY(
            caixaIgual(c.caixas.mostradas().first(), kSucesso, QStringLiteral("TAVO"), Botoes::Ok, Icone::Informacao));
        QVERIFY(CenarioPacote::le(c.disquete() + QLatin1Char('/') + kNome) == dados);
    }

    void semDisqueteTentaTresVezes()
    {
        CenarioPacote c;
        poePacote(c, 1000);
        c.caixas.confirma(4);
        exporta(c);
        QCOMPARE(c.caixas.textos(), (QStringList{kInsiraUm, kInsiraUm, kInsiraUm, kNaoFoiPossivel}));
        QVERIFY(
            caixaIgual(c.caixas.mostradas().at(0), kInsiraUm, QStringLiteral("TAVO"), Botoes::Ok, Icone::Informacao));
        QVERIFY(caixaIgual(c.caixas.mostradas().at(3), kNaoFoiPossivel, QStringLiteral("TAVO"), Botoes::Ok,
                           Icone::Critico));
    }

    void pacoteGrandeVaiEmPedacosUmPorDisquete()
    {
        CenarioPacote c;
        const QByteArray dados = poePacote(c, 3000000);
        Disquetes disquetes(c.disquete());
        // Each prompt is answered by putting a fresh disk in the drive.
        c.caixas.aoMostrar([&](const Registro &caixa, int) {
            for (int i = 1; i <= 3; ++i) {
                if (caixa.texto == prompt(i, 3))
                    disquetes.insere(i);
            }
        });
        c.caixas.confirma(4);
        const Sinais sinais = exporta(c);
        disquetes.retira();
        QCOMPARE(sinais.cortes, 1);
        QVERIFY(sinais.pastaMudou >= 1);

        QCOMPARE(c.caixas.textos(), (QStringList{prompt(1, 3), prompt(2, 3), prompt(3, 3), kSucesso}));
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), prompt(1, 3), QStringLiteral("TAVO"), Botoes::Ok,
                           Icone::Informacao));
        QByteArray juntos;
        for (int i = 1; i <= 3; ++i) {
            const QMap<QString, QByteArray> disco = disquetes.discos.value(i);
            QCOMPARE(disco.keys(), QStringList{NomePedaco(kNome, i)});
            juntos += disco.first();
        }
        QCOMPARE(disquetes.discos.value(3).first().size(), 105930);
        QVERIFY(juntos == dados);
        // The pieces stay in the working folder; the chosen package is untouched.
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()),
                 (QStringList{NomePedaco(kNome, 1), NomePedaco(kNome, 2), NomePedaco(kNome, 3)}));
        QVERIFY(CenarioPacote::le(c.pastaPacotes() + QLatin1Char('/') + kNome) == dados);
    }

    void disqueteInseridoSoNoTerceiroPrompt()
    {
        CenarioPacote c;
        poePacote(c, 1447036);
        Disquetes disquetes(c.disquete());
        c.caixas.aoMostrar([&](const Registro &, int ordem) {
            // Disk 1 at once; disk 2 only when asked the third time.
            if (ordem == 0)
                disquetes.insere(1);
            if (ordem == 1)
                disquetes.retira();
            if (ordem == 3)
                disquetes.insere(2);
        });
        c.caixas.confirma(5);
        exporta(c);
        disquetes.retira();
        QCOMPARE(c.caixas.textos(), (QStringList{prompt(1, 2), prompt(2, 2), prompt(2, 2), prompt(2, 2), kSucesso}));
        QCOMPARE(disquetes.discos.value(2).value(NomePedaco(kNome, 2)).size(), 1);

        // Never inserted: three prompts for the piece, then the failure.
        c.caixas.limpa();
        c.caixas.aoMostrar([&](const Registro &, int ordem) {
            if (ordem == 0)
                disquetes.insere(1);
            else
                disquetes.retira();
        });
        c.caixas.confirma(5);
        exporta(c);
        QCOMPARE(c.caixas.textos(),
                 (QStringList{prompt(1, 2), prompt(2, 2), prompt(2, 2), prompt(2, 2), kNaoFoiPossivel}));
    }

    void pacoteNaPastaDeTrabalhoNaoSePerde()
    {
        CenarioPacote c;
        const QByteArray dados = CenarioPacote::aleatorio(3000000, 5);
        CenarioPacote::grava(c.pastaTrabalho() + QLatin1Char('/') + kNome, dados);
        CenarioPacote::grava(c.pastaTrabalho() + QStringLiteral("/outro.txt"), "x");
        Disquetes disquetes(c.disquete());
        c.caixas.aoMostrar([&](const Registro &, int ordem) { disquetes.insere(ordem + 1); });
        c.caixas.confirma(4);
        exporta(c, Caminhos::pastaTrabalho() + QLatin1Char('\\') + kNome);
        disquetes.retira();
        QCOMPARE(c.caixas.textos().last(), kSucesso);
        QVERIFY(CenarioPacote::le(c.pastaTrabalho() + QLatin1Char('/') + kNome) == dados);
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()),
                 (QStringList{kNome, NomePedaco(kNome, 1), NomePedaco(kNome, 2), NomePedaco(kNome, 3)}));
        QCOMPARE(disquetes.discos.value(3).keys(), QStringList{NomePedaco(kNome, 3)});
    }

    void falhasDoDisqueteSeguemONumeroDoErro_data()
    {
        QTest::addColumn<int>("erro");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<int>("icone");
        QTest::newRow("disco cheio")
            << ENOSPC << QStringLiteral("Atenção!\r\nVerifique se o disquete está cheio ou protegido contra gravação!")
            << QStringLiteral("TAVO - ERRO") << int(Icone::Critico);
        QTest::newRow("caminho nao encontrado") << ENOENT << QStringLiteral("Verifique se o disquete está no drive!")
                                                << QStringLiteral("Tavo_Upload_Cliente") << int(Icone::Informacao);
        QTest::newRow("outro") << EIO << QStringLiteral("57: ") << QStringLiteral("Tavo_Upload_Cliente")
                               << int(Icone::Critico);
    }

    void falhasDoDisqueteSeguemONumeroDoErro()
    {
        QFETCH(int, erro);
        QFETCH(QString, texto);
        QFETCH(QString, titulo);
        QFETCH(int, icone);
        CenarioPacote c;
        poePacote(c, 3000000);
        const QString drive = c.disquete();
        QVERIFY(QDir().mkpath(drive));
        // The second piece fails on its disk.
        FalhasArquivo::instala([&](const QString &destino) {
            return destino.startsWith(drive) && destino.endsWith(QLatin1String(".002")) ? erro : 0;
        });
        c.caixas.confirma(3);
        exporta(c);
        QCOMPARE(c.caixas.textos().mid(0, 2), (QStringList{prompt(1, 3), prompt(2, 3)}));
        QCOMPARE(c.caixas.mostradas().size(), 3);
        const Registro &ultima = c.caixas.mostradas().last();
        QVERIFY2(ultima.texto.startsWith(texto), qPrintable(ultima.texto));
        QCOMPARE(ultima.titulo, titulo);
        QCOMPARE(int(ultima.icone), icone);
        QCOMPARE(ultima.botoes, Botoes::Ok);
        // The piece already copied stays on its disk; no partial second piece.
        QCOMPARE(CenarioPacote::arquivosDe(drive), QStringList{NomePedaco(kNome, 1)});
    }

    void gravacaoRecusadaNuncaTerminaEmSilencio_data()
    {
        QTest::addColumn<bool>("noDisquete");
        QTest::addColumn<int>("erro");
        QTest::addColumn<QStringList>("textos");
        QTest::newRow("disquete somente leitura") << true << EROFS << QStringList{prompt(1, 3), kCheio};
        QTest::newRow("disquete sem acesso") << true << EACCES << QStringList{prompt(1, 3), kCheio};
        QTest::newRow("disquete sem permissao") << true << EPERM << QStringList{prompt(1, 3), kCheio};
        QTest::newRow("pasta de trabalho sem acesso") << false << EACCES << QStringList{kNaoFoiPossivel};
    }

    void gravacaoRecusadaNuncaTerminaEmSilencio()
    {
        QFETCH(bool, noDisquete);
        QFETCH(int, erro);
        QFETCH(QStringList, textos);
        CenarioPacote c;
        poePacote(c, 3000000);
        const QString drive = c.disquete();
        QVERIFY(QDir().mkpath(drive));
        // Refused on the disk, or for the second piece cut in the working folder.
        const QString alvo = noDisquete ? drive : c.pastaTrabalho() + QLatin1Char('/') + NomePedaco(kNome, 2);
        FalhasArquivo::instala([&](const QString &destino) { return destino.startsWith(alvo) ? erro : 0; });
        c.caixas.confirma(int(textos.size()));
        exporta(c);
        QCOMPARE(c.caixas.textos(), textos);
        QVERIFY(caixaIgual(c.caixas.mostradas().last(), textos.last(),
                           noDisquete ? QStringLiteral("TAVO - ERRO") : QStringLiteral("TAVO"), Botoes::Ok,
                           Icone::Critico));
        QVERIFY(CenarioPacote::arquivosDe(drive).isEmpty());
        // Error 75 clears the working folder; the chosen package stays.
        QCOMPARE(QFileInfo::exists(c.pastaTrabalho()), noDisquete);
        QVERIFY(QFileInfo::exists(c.pastaPacotes() + QLatin1Char('/') + kNome));
    }

    void pastaSemMidiaComoDriveANaoEhDisquete()
    {
        CenarioPacote c;
        poePacote(c, 1000);
        // The mount point of a stick that is not inserted: a folder of the local disk.
        QTemporaryDir pendrive;
        qputenv("TAVO_DRIVE_A", pendrive.path().toUtf8());
        c.caixas.confirma(4);
        exporta(c);
        QCOMPARE(c.caixas.textos(), (QStringList{kInsiraUm, kInsiraUm, kInsiraUm, kNaoFoiPossivel}));
        QVERIFY(QDir(pendrive.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    void pendriveMontadoRecebeOPacoteOuRecusa_data()
    {
        QTest::addColumn<bool>("protegido");
        QTest::addColumn<bool>("retirado"); // taken out as the copy begins
        QTest::addColumn<QString>("texto");
        QTest::newRow("gravavel") << false << false << kSucesso;
        QTest::newRow("somente leitura") << true << false << kCheio;
        QTest::newRow("retirado durante a copia")
            << false << true << QStringLiteral("Verifique se o disquete está no drive!");
    }

    void pendriveMontadoRecebeOPacoteOuRecusa()
    {
        QFETCH(bool, protegido);
        QFETCH(bool, retirado);
        QFETCH(QString, texto);
        CenarioPacote c;
        const QByteArray dados = poePacote(c, 5000);
        QTemporaryDir pasta;
        const QString ponto = pasta.filePath(QStringLiteral("pendrive"));
        qputenv("TAVO_DRIVE_A", ponto.toUtf8());
        {
            const MidiaMontada pendrive(ponto, protegido);
            if (!pendrive.motivo.isEmpty())
                QSKIP(pendrive.motivo.constData());
            Montagens::simula(std::nullopt); // the host's own mount table lists it
            QVERIFY(Montagens::pontos().contains(QFileInfo(ponto).canonicalFilePath()));
            if (retirado)
                FalhasArquivo::instala([&](const QString &destino) {
                    if (destino.startsWith(ponto))
                        SistemaTeste::desmonta(pendrive.caminho);
                    return 0;
                });
            c.caixas.confirma();
            exporta(c);
            QCOMPARE(c.caixas.textos(), QStringList{texto});
            QVERIFY(CenarioPacote::le(ponto + QLatin1Char('/') + kNome) == (texto == kSucesso ? dados : QByteArray()));
        }
        // Taken out: the copy was on the medium, the folder beneath holds nothing.
        QVERIFY(CenarioPacote::arquivosDe(ponto).isEmpty());
        QVERIFY(!DisquetePronto(instalacaoAtual()));
    }

    void discoCheioDeVerdadeNumPendriveMontado()
    {
        if (!SistemaTeste::administrador())
            QSKIP("needs root to mount a small tmpfs as drive a: (Linux); the fault seam covers the disk-full case");
        CenarioPacote c;
        poePacote(c, 3000000);
        const QString drive = c.disquete();
        QVERIFY(QDir().mkpath(drive));
        // Room for one piece and a half.
        if (!SistemaTeste::montaPequena(drive, "2200k"))
            QSKIP("mounting a tmpfs is not permitted here; the fault seam covers the disk-full case");
        struct Desmonta
        {
            QString drive;
            ~Desmonta() { SistemaTeste::desmonta(drive); }
        } desmonta{drive};
        c.caixas.confirma(3);
        exporta(c);
        QCOMPARE(c.caixas.textos(),
                 (QStringList{
                     prompt(1, 3), prompt(2, 3),
                     QStringLiteral("Atenção!\r\nVerifique se o disquete está cheio ou protegido contra gravação!")}));
        QCOMPARE(CenarioPacote::arquivosDe(drive), QStringList{NomePedaco(kNome, 1)});
    }

    // The window's side: "Disquete" exports what txtCaminhoArquivo names,
    // says so in lblMensagem while the disks are asked for, holds the other
    // jobs off, shows the pieces in File1 and is at rest again afterwards.
    void disqueteDaJanelaMostraOTrabalhoEVoltaAoRepouso()
    {
        CenarioJanela c;
        const QByteArray dados = poePacote(c, 3000000);
        caixaDeTexto(c.janela, "txtCaminhoArquivo")->setText(pacoteGerado());
        c.janela.HabilitaBotoesEnvio();
        Disquetes disquetes(c.disquete());
        QStringList mensagens;
        bool bloqueado = true;
        c.caixas.aoMostrar([&](const Registro &caixa, int ordem) {
            mensagens.append(rotulo(c.janela, "lblMensagem")->text());
            bloqueado = bloqueado && !botao(c.janela, "cmdGerar")->isEnabled()
                        && !botao(c.janela, "cmdDisquete")->isEnabled()
                        && !controle<QAction>(c.janela, "mnuArquivo")->isEnabled();
            if (caixa.texto == prompt(ordem + 1, 3))
                disquetes.insere(ordem + 1);
        });
        c.caixas.confirma(4);
        botao(c.janela, "cmdDisquete")->click();
        disquetes.retira();

        QCOMPARE(c.caixas.textos(), (QStringList{prompt(1, 3), prompt(2, 3), prompt(3, 3), kSucesso}));
        QCOMPARE(mensagens, QStringList(4, QStringLiteral("Enviando o arquivo para o disquete. Aguarde...")));
        QVERIFY(bloqueado);
        QByteArray juntos;
        for (int i = 1; i <= 3; ++i)
            juntos += disquetes.discos.value(i).value(NomePedaco(kNome, i));
        QVERIFY(juntos == dados);
        auto *lista = controle<ListaArquivos>(c.janela, "File1");
        QCOMPARE(lista->count(), 3);
        QCOMPARE(lista->nome(2), NomePedaco(kNome, 3));
        QCOMPARE(caixaDeTexto(c.janela, "txtCaminhoArquivo")->text(), pacoteGerado());
        QCOMPARE(rotulo(c.janela, "lblMensagem")->text(), QString());
        QVERIFY(!Interface::ponteiroEmAmpulheta());
        QVERIFY(botao(c.janela, "cmdGerar")->isEnabled());
        QVERIFY(botao(c.janela, "cmdDisquete")->isEnabled());
        QCOMPARE(c.caixas.inesperadas(), 0);
    }
};

QTEST_MAIN(TstExportaDisquete)
#include "tst_exportaDisquete.moc"
