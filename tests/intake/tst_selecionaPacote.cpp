// "..." and "Limpar": a package chosen from the disk or gathered from
// several disks, checked, unpacked, identified, and made ready to send. The
// selection runs as a job with the user's side scripted; what the window
// shows of it, of the dialog and of "Limpar" is checked through its buttons.
#include "CenarioPacote.h"

#include "common/Caminhos.h"
#include "common/FormataTamanho.h"
#include "common/gui/DialogoArquivo.h"
#include "common/gui/Interface.h"
#include "intake/SelecaoPacote.h"
#include "package/ArquivosTrabalho.h"
#include "package/ExportacaoDisquete.h"
#include "package/GeracaoPacote.h"
#include "package/MotorZip.h"
#include "package/Pedacos.h"
#include "shell/ListaArquivos.h"

#include "support/Controles.h"
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace CaixaMensagem;

namespace {

const QString kNome = QStringLiteral("DADOS_31045678_01032026.zip");
const QString kPronto = QStringLiteral("O Arquivo está pronto para ser Transmitido!");
const QString kErro =
    QStringLiteral("Ocorreu um erro! Tente novemente\r\ncaso o erro presista entre em contato com o suporte do tavo.");
const QString kUltimo = QStringLiteral("Insira o último disquete e aperte o botão OK");
const QString kCancelada = QStringLiteral("A Operação foi cancelada!");

QString numero(int i)
{
    return QStringLiteral("Insira o disquete Número ") + QString::number(i);
}

// A school database in the SQLite format with `lastro` bytes of random data,
// so that its package needs several disks.
QByteArray bancoGrande(qint64 lastro)
{
    QTemporaryDir pasta;
    const QString caminho = pasta.filePath(QStringLiteral("b.mdb"));
    const QString nome = QUuid::createUuid().toString();
    {
        QSqlDatabase banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nome);
        banco.setDatabaseName(caminho);
        if (!banco.open())
            qFatal("cannot create %s", qPrintable(caminho));
        QSqlQuery q(banco);
        q.exec(QStringLiteral("create table ace_estrut_orgn (codigo integer, descricao text)"));
        q.exec(QStringLiteral(
            "create table Escola_local (Escola text, codigo_mec text, Cidade text, codigo_ace_estrut_orgn integer)"));
        q.exec(QStringLiteral("create table lastro (dados blob)"));
        q.exec(QStringLiteral("insert into ace_estrut_orgn values (121, 'ssre de campos')"));
        q.exec(QStringLiteral("insert into Escola_local values ('escola grande', '31099999', 'Ubá', 121)"));
        q.prepare(QStringLiteral("insert into lastro values (?)"));
        q.addBindValue(CenarioPacote::aleatorio(lastro, 11));
        q.exec();
        banco.close();
    }
    QSqlDatabase::removeDatabase(nome);
    return CenarioPacote::le(caminho);
}

// The package cut into pieces, one per disk.
QByteArray preparaDisquetes(Disquetes &disquetes, qint64 lastro, int pedacosEsperados)
{
    QTemporaryDir pasta;
    const QString pacote = pasta.filePath(kNome);
    CenarioPacote::criaPacote(pacote, bancoGrande(lastro));
    const QString pedacos = pasta.filePath(QStringLiteral("pedacos"));
    QDir().mkpath(pedacos);
    const int n = CortaEmPedacos(pacote, pedacos, kNome);
    if (n != pedacosEsperados)
        qFatal("expected %d pieces, got %d", pedacosEsperados, n);
    for (int k = 1; k <= n; ++k) {
        const QString nome = NomePedaco(kNome, k);
        disquetes.discos[k].insert(nome, CenarioPacote::le(pedacos + QLatin1Char('/') + nome));
    }
    return CenarioPacote::le(pacote);
}

// A selection and what it reported.
struct Selecao
{
    SelecaoPacote::Resultado resultado;
    // The path the selection stood for, each time it changed.
    QStringList caminhos;
    // Each school read (none when the database names none).
    QList<std::optional<DadosEscola>> escolas;
};

// "..." on the file `escolhido`, as the window and the console run it.
Selecao seleciona(CenarioPacote &c, const QString &escolhido)
{
    Selecao selecao;
    SelecaoPacote job(instalacaoAtual(), escolhido, c.usuario);
    QObject::connect(&job, &SelecaoPacote::caminho, [&](const QString &caminho) { selecao.caminhos.append(caminho); });
    QObject::connect(&job, &SelecaoPacote::escolaIdentificada,
                     [&](const std::optional<DadosEscola> &escola) { selecao.escolas.append(escola); });
    selecao.resultado = job.executa();
    return selecao;
}

bool emRepouso(const frmPrincipal &janela)
{
    return rotulo(janela, "lblMensagem")->text().isEmpty() && !Interface::ponteiroEmAmpulheta()
           && botao(janela, "cmdProcurar")->isEnabled();
}

bool envioHabilitado(const frmPrincipal &janela)
{
    return botao(janela, "cmdDisquete")->isEnabled() && botao(janela, "cmdInternet")->isEnabled()
           && botao(janela, "cmdTransmitir")->isEnabled();
}

bool envioDesabilitado(const frmPrincipal &janela)
{
    return !botao(janela, "cmdDisquete")->isEnabled() && !botao(janela, "cmdInternet")->isEnabled()
           && !botao(janela, "cmdTransmitir")->isEnabled();
}

} // namespace

class TstSelecionaPacote : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void zipNoDiscoNumCaminhoComBrancosFicaPronto()
    {
        CenarioPacote c;
        const QString pacote = c.ambiente.raiz() + QStringLiteral("/meus pacotes/") + kNome;
        CenarioPacote::criaPacote(pacote, CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_uma.mdb"))));
        CenarioPacote::grava(c.pastaTrabalho() + QStringLiteral("/antigo.zip"), "pacote escolhido antes");
        c.caixas.confirma();

        const Selecao selecao = seleciona(c, pacote);

        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), kPronto, QStringLiteral("Tavo_Upload_Cliente"), Botoes::Ok,
                           Icone::Informacao));
        QVERIFY(selecao.resultado.pronto);
        QCOMPARE(selecao.resultado.pacote.nome(), kNome);
        QCOMPARE(selecao.resultado.pacote.tamanho(), QFileInfo(pacote).size());
        QCOMPARE(selecao.resultado.pacote.codigoEscola(), QStringLiteral("31045678"));
        QCOMPARE(selecao.caminhos.last(), pacote);
        QCOMPARE(selecao.escolas.size(), 1);
        QVERIFY(selecao.escolas.first());
        QCOMPARE(selecao.escolas.first()->codigoSRE, QStringLiteral("114"));
        QCOMPARE(selecao.escolas.first()->sre, QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"));
        QCOMPARE(selecao.escolas.first()->escola, QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"));
        QCOMPARE(selecao.escolas.first()->codigoEscola, QStringLiteral("31045678"));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kNome});
        QVERIFY(CenarioPacote::le(c.pastaTrabalho() + QLatin1Char('/') + kNome) == CenarioPacote::le(pacote));
        QVERIFY(QFileInfo::exists(pacote));
    }

    // The window's side: the dialog's choice shown in txtCaminhoArquivo, the
    // school in the boxes, the package selected in File1 and named in
    // txtArquivo, the "Transmissão" tab, the send buttons on; "Limpar" then
    // empties the boxes, the list and the working folder, twice alike.
    void escolherNaJanelaMostraOPacoteELimparEsvazia()
    {
        CenarioJanela c;
        const QString pacote = c.ambiente.raiz() + QStringLiteral("/meus pacotes/") + kNome;
        CenarioPacote::criaPacote(pacote, CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_uma.mdb"))));
        DialogoArquivo::escolheProximo(pacote);
        c.caixas.confirma();

        botao(c.janela, "cmdProcurar")->click();

        QCOMPARE(c.caixas.textos(), QStringList{kPronto});
        QCOMPARE(c.janela.pacote().nome(), kNome);
        QCOMPARE(controle<ListaArquivos>(c.janela, "File1")->fileName(), kNome);
        QCOMPARE(caixaDeTexto(c.janela, "txtCaminhoArquivo")->text(), pacote);
        QCOMPARE(caixaDeTexto(c.janela, "txtArquivo")->text(),
                 kNome + QStringLiteral(" - ") + FormataTamanho(QFileInfo(pacote).size()));
        QCOMPARE(caixaDeTexto(c.janela, "txtCodigoSRE")->text(), QStringLiteral("114"));
        QCOMPARE(caixaDeTexto(c.janela, "txtSRE")->text(), QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"));
        QCOMPARE(caixaDeTexto(c.janela, "txtEscola")->text(), QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"));
        QCOMPARE(caixaDeTexto(c.janela, "txtCodigoEscola")->text(), QStringLiteral("31045678"));
        QCOMPARE(controle<QTabWidget>(c.janela, "SSTab")->currentIndex(), 2);
        QCOMPARE(rotulo(c.janela, "lblProgresso")->text(), QString());
        QVERIFY(envioHabilitado(c.janela));
        QVERIFY(emRepouso(c.janela));
        QCOMPARE(DialogoArquivo::inesperados(), 0);

        // "Limpar" throws it away; a second time on the empty folder does the same.
        for (int vez = 0; vez < 2; ++vez) {
            botao(c.janela, "CancelaArquivo")->click();
            QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList());
            for (const char *nome :
                 {"txtCodigoSRE", "txtSRE", "txtCodigoEscola", "txtEscola", "txtArquivo", "txtCaminhoArquivo"})
                QCOMPARE(caixaDeTexto(c.janela, nome)->text(), QString());
            QCOMPARE(controle<ListaArquivos>(c.janela, "File1")->count(), 0);
            QVERIFY(envioDesabilitado(c.janela));
            QVERIFY(c.janela.pacote().vazio());
        }
        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(QFileInfo::exists(pacote));
    }

    void cancelarODialogoMantemOPacoteAnterior()
    {
        CenarioJanela c;
        const QString pacote = c.ambiente.raiz() + QLatin1Char('/') + kNome;
        CenarioPacote::criaPacote(pacote, CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_uma.mdb"))));
        DialogoArquivo::escolheProximo(pacote);
        DialogoArquivo::cancelaProximo();
        c.caixas.confirma();
        botao(c.janela, "cmdProcurar")->click();
        rotulo(c.janela, "lblstatus")->setText(QStringLiteral("Status: Conectado."));
        botao(c.janela, "cmdProcurar")->click();
        QCOMPARE(c.caixas.mostradas().size(), 1);
        QCOMPARE(caixaDeTexto(c.janela, "txtCaminhoArquivo")->text(), pacote);
        QCOMPARE(caixaDeTexto(c.janela, "txtEscola")->text(), QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kNome});
        QVERIFY(envioHabilitado(c.janela));
        QVERIFY(emRepouso(c.janela));
        // The transfer's own cancel ran.
        QCOMPARE(rotulo(c.janela, "lblstatus")->text(), QStringLiteral("Status: Desconectado."));
    }

    void escolhaQueNaoEhPacoteEhRecusada()
    {
        CenarioPacote c;
        const QString maiusculo = c.ambiente.raiz() + QStringLiteral("/DADOS.ZIP");
        CenarioPacote::criaPacote(maiusculo, CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_uma.mdb"))));
        CenarioPacote::grava(c.pastaTrabalho() + QStringLiteral("/antigo.zip"), "x");
        c.caixas.confirma();
        const Selecao selecao = seleciona(c, maiusculo);
        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), QStringLiteral("O Aqruivo escolhido não é valido!"),
                           QStringLiteral("TAVO - UPLOAD"), Botoes::Ok, Icone::Informacao));
        QCOMPARE(selecao.caminhos.last(), QString());
        QVERIFY(!selecao.resultado.pronto);
        // The working folder was emptied before the check: nothing is left to send.
        QVERIFY(selecao.resultado.esvaziada);
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList());
    }

    // The window's side: the choice is gone from txtCaminhoArquivo, and the
    // package chosen before, gone with the working folder, is no longer offered.
    void escolhaRecusadaNaJanelaDesligaOEnvio()
    {
        CenarioJanela c;
        const QString maiusculo = c.ambiente.raiz() + QStringLiteral("/DADOS.ZIP");
        CenarioPacote::criaPacote(maiusculo, CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_uma.mdb"))));
        c.janela.HabilitaBotoesEnvio();
        DialogoArquivo::escolheProximo(maiusculo);
        c.caixas.confirma();
        botao(c.janela, "cmdProcurar")->click();
        QCOMPARE(c.caixas.textos(), QStringList{QStringLiteral("O Aqruivo escolhido não é valido!")});
        QCOMPARE(caixaDeTexto(c.janela, "txtCaminhoArquivo")->text(), QString());
        QVERIFY(envioDesabilitado(c.janela));
        QVERIFY(emRepouso(c.janela));
    }

    void pacoteEscolhidoDentroDaPastaDeTrabalhoNaoSePerde()
    {
        CenarioPacote c;
        const QString pacote = c.pastaTrabalho() + QLatin1Char('/') + kNome;
        CenarioPacote::criaPacote(pacote, CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_uma.mdb"))));
        const QByteArray antes = CenarioPacote::le(pacote);
        c.caixas.confirma();
        QVERIFY(seleciona(c, pacote).resultado.pronto);
        QCOMPARE(c.caixas.textos(), QStringList{kPronto});
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kNome});
        QVERIFY(CenarioPacote::le(pacote) == antes);
    }

    void pacoteSemEscolaFicaProntoComCaixasVazias()
    {
        CenarioPacote c;
        const QString pacote = c.ambiente.raiz() + QStringLiteral("/DADOS__01032026.zip");
        CenarioPacote::criaPacote(pacote, CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_orfa.mdb"))));
        c.caixas.confirma();
        const Selecao selecao = seleciona(c, pacote);
        QCOMPARE(c.caixas.textos(), QStringList{kPronto});
        // No school: the boxes are emptied (frmPrincipal::IdentificaEscola).
        QCOMPARE(selecao.escolas.size(), 1);
        QVERIFY(!selecao.escolas.first());
        QCOMPARE(selecao.resultado.pacote.codigoEscola(), QString());
        QVERIFY(selecao.resultado.pronto);
    }

    void pacoteRuimTerminaNoErroSemQueda_data()
    {
        QTest::addColumn<QString>("caso");
        for (const char *caso : {"corrompido", "cortado", "vazio", "texto", "sem banco", "banco que nao e banco",
                                 "banco sem tabelas", "nulo no nome"})
            QTest::newRow(caso) << QString::fromLatin1(caso);
    }

    void pacoteRuimTerminaNoErroSemQueda()
    {
        QFETCH(QString, caso);
        CenarioPacote c;
        const QString pacote = c.ambiente.raiz() + QLatin1Char('/') + kNome;
        const QByteArray banco = CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_uma.mdb")));
        CenarioPacote::criaPacote(pacote, banco);
        QByteArray dados = CenarioPacote::le(pacote);
        if (caso == QLatin1String("corrompido"))
            dados[dados.size() / 3] = char(dados[dados.size() / 3] ^ 0x55);
        else if (caso == QLatin1String("cortado"))
            dados.truncate(dados.size() - 100);
        else if (caso == QLatin1String("vazio"))
            dados.clear();
        else if (caso == QLatin1String("texto"))
            dados = "nao sou um zip";
        if (caso == QLatin1String("sem banco")) {
            QTemporaryDir pasta;
            CenarioPacote::grava(pasta.filePath(QStringLiteral("leiame.txt")), "oi");
            MotorZip::compacta(pacote, pasta.filePath(QStringLiteral("leiame.txt")), QStringLiteral("leiame.txt"), 3,
                               {});
        } else if (caso == QLatin1String("banco que nao e banco")) {
            CenarioPacote::criaPacote(pacote, "isto nao e um banco");
        } else if (caso == QLatin1String("banco sem tabelas")) {
            CenarioPacote::criaPacote(pacote, bancoGrande(10).replace("Escola_local", "Outra_tabel"));
        } else if (caso == QLatin1String("nulo no nome")) {
            CenarioPacote::criaPacote(pacote,
                                      CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_nulo.mdb"))));
        } else {
            CenarioPacote::grava(pacote, dados);
        }
        c.caixas.confirma();
        const Selecao selecao = seleciona(c, pacote);
        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), kErro, QStringLiteral("Erro"), Botoes::Ok, Icone::Informacao));
        QVERIFY(!selecao.resultado.pronto);
        QVERIFY(selecao.resultado.pacote.vazio());
        QVERIFY(QFileInfo::exists(pacote));
    }

    void pedacosEmDoisDisquetesPedemSoOUltimo()
    {
        CenarioPacote c;
        Disquetes disquetes(c.disquete());
        const QByteArray pacote = preparaDisquetes(disquetes, 2000000, 2);
        disquetes.insere(1);
        c.caixas.aoMostrar([&](const Registro &caixa, int) {
            if (caixa.texto == kUltimo)
                disquetes.insere(2);
        });
        c.caixas.confirma(2);
        const Selecao selecao = seleciona(c, c.disquete() + QLatin1Char('/') + NomePedaco(kNome, 1));

        QCOMPARE(c.caixas.textos(), (QStringList{kUltimo, kPronto}));
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), kUltimo, QStringLiteral("Tavo_Upload_Cliente"),
                           Botoes::OkCancelar, Icone::Informacao));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kNome});
        QVERIFY(CenarioPacote::le(c.pastaTrabalho() + QLatin1Char('/') + kNome) == pacote);
        QCOMPARE(selecao.caminhos.last(), QStringLiteral("a:\\") + NomePedaco(kNome, 2));
        QVERIFY(selecao.escolas.value(0));
        QCOMPARE(selecao.escolas.value(0)->escola, QStringLiteral("ESCOLA GRANDE"));
        QVERIFY(selecao.resultado.pronto);
        QCOMPARE(selecao.resultado.pacote.nome(), kNome);
    }

    void pedacosEmQuatroDisquetesPedemCadaUmUmaVez()
    {
        CenarioPacote c;
        Disquetes disquetes(c.disquete());
        const QByteArray pacote = preparaDisquetes(disquetes, 5000000, 4);
        disquetes.insere(1);
        c.caixas.aoMostrar([&](const Registro &caixa, int) {
            if (caixa.texto == kUltimo)
                disquetes.insere(4);
            for (int i = 2; i <= 3; ++i) {
                if (caixa.texto == numero(i))
                    disquetes.insere(i);
            }
        });
        c.caixas.confirma(4);
        QVERIFY(seleciona(c, c.disquete() + QLatin1Char('/') + NomePedaco(kNome, 1)).resultado.pronto);

        QCOMPARE(c.caixas.textos(), (QStringList{kUltimo, numero(2), numero(3), kPronto}));
        for (int i = 1; i <= 2; ++i)
            QVERIFY(caixaIgual(c.caixas.mostradas().at(i), numero(i + 1), QStringLiteral("Tavo_Upload_Cliente"),
                               Botoes::OkCancelar, Icone::Informacao));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kNome});
        QVERIFY(CenarioPacote::le(c.pastaTrabalho() + QLatin1Char('/') + kNome) == pacote);
    }

    void cancelarNumPromptDeDisquete_data()
    {
        QTest::addColumn<int>("cancelaEm");
        QTest::addColumn<QStringList>("textos");
        QTest::addColumn<QStringList>("ficam");
        QTest::newRow("ultimo") << 0 << QStringList{kUltimo, kCancelada} << QStringList{NomePedaco(kNome, 1)};
        QTest::newRow("numero 3") << 2 << QStringList{kUltimo, numero(2), numero(3), kCancelada}
                                  << QStringList{NomePedaco(kNome, 1), NomePedaco(kNome, 2), NomePedaco(kNome, 4)};
    }

    void cancelarNumPromptDeDisquete()
    {
        QFETCH(int, cancelaEm);
        QFETCH(QStringList, textos);
        QFETCH(QStringList, ficam);
        CenarioPacote c;
        Disquetes disquetes(c.disquete());
        preparaDisquetes(disquetes, 5000000, 4);
        disquetes.insere(1);
        c.caixas.aoMostrar([&](const Registro &caixa, int) {
            if (caixa.texto == kUltimo)
                disquetes.insere(4);
            else if (caixa.texto == numero(2))
                disquetes.insere(2);
        });
        for (int i = 0; i < cancelaEm; ++i)
            c.caixas.confirma();
        c.caixas.responde(Resposta::Cancelar);
        c.caixas.confirma();
        const Selecao selecao = seleciona(c, c.disquete() + QLatin1Char('/') + NomePedaco(kNome, 1));
        QCOMPARE(c.caixas.textos(), textos);
        QVERIFY(caixaIgual(c.caixas.mostradas().last(), kCancelada, QStringLiteral("Tavo_Upload_Cliente"), Botoes::Ok,
                           Icone::Informacao));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), ficam);
        QVERIFY(!selecao.resultado.pronto);
    }

    void disqueteErradoFaltandoOuDeOutroPacoteTerminaNoErro_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::newRow("repetido no lugar do 3") << QStringLiteral("repetido");
        QTest::newRow("ultimo de outro pacote") << QStringLiteral("outro");
        QTest::newRow("sem disquete no drive") << QStringLiteral("sem disco");
        QTest::newRow("disquete vazio") << QStringLiteral("vazio");
    }

    void disqueteErradoFaltandoOuDeOutroPacoteTerminaNoErro()
    {
        QFETCH(QString, caso);
        CenarioPacote c;
        Disquetes disquetes(c.disquete());
        preparaDisquetes(disquetes, 5000000, 4);
        if (caso == QLatin1String("outro")) {
            // The last disk of another package of three pieces.
            Disquetes outros(c.disquete());
            preparaDisquetes(outros, 3500000, 3);
            disquetes.discos[4] = {{QStringLiteral("DADOS_31099999_02032026.zip.003"), outros.discos.value(3).first()}};
        }
        disquetes.discos[9] = {};
        disquetes.insere(1);
        c.caixas.aoMostrar([&](const Registro &caixa, int) {
            if (caixa.texto == kUltimo) {
                if (caso == QLatin1String("sem disco"))
                    disquetes.retira();
                else
                    disquetes.insere(caso == QLatin1String("vazio") ? 9 : 4);
            } else if (caixa.texto == numero(2)) {
                disquetes.insere(2);
            } else if (caixa.texto == numero(3)) {
                disquetes.insere(caso == QLatin1String("repetido") ? 2 : 3);
            }
        });
        c.caixas.confirma(4);
        const Selecao selecao = seleciona(c, c.disquete() + QLatin1Char('/') + NomePedaco(kNome, 1));
        QCOMPARE(c.caixas.textos().last(), kErro);
        QVERIFY(caixaIgual(c.caixas.mostradas().last(), kErro, QStringLiteral("Erro"), Botoes::Ok, Icone::Informacao));
        QVERIFY(!selecao.resultado.pronto);
    }

    void pacoteGrandeGeradoVaiAosDisquetesEVoltaIgual()
    {
        CenarioPacote c;
        CenarioPacote::grava(c.local(Caminhos::bancoEscola()), bancoGrande(3200000));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));
        const QString nome = QStringLiteral("DADOS_31099999_01032026.zip");
        const GeracaoPacote::Resultado geracao =
            GeracaoPacote(instalacaoAtual(), Caminhos::bancoEscola(), QDate(2026, 3, 1), c.usuario).executa();
        QVERIFY(geracao.gerado);
        QCOMPARE(c.caixas.mostradas().size(), 0);
        const QByteArray gerado = CenarioPacote::le(c.pastaPacotes() + QLatin1Char('/') + nome);
        QCOMPARE(QuantidadePedacos(gerado.size()), 3);

        Disquetes disquetes(c.disquete());
        c.caixas.aoMostrar([&](const Registro &caixa, int) {
            for (int i = 1; i <= 3; ++i) {
                if (caixa.texto == QStringLiteral("Insira o disquete %1 de 3").arg(i))
                    disquetes.insere(i);
            }
        });
        c.caixas.confirma(4);
        ExportacaoDisquete(instalacaoAtual(), geracao.pacote, c.usuario).executa();
        QCOMPARE(c.caixas.textos().last(), QStringLiteral("Arquivo copiado com sucesso!"));
        disquetes.retira();

        LimpaPastaTemp(instalacaoAtual()); // "Limpar"
        c.caixas.limpa();
        disquetes.insere(1);
        c.caixas.aoMostrar([&](const Registro &caixa, int) {
            if (caixa.texto == kUltimo)
                disquetes.insere(3);
            else if (caixa.texto == numero(2))
                disquetes.insere(2);
        });
        c.caixas.confirma(3);
        const Selecao selecao = seleciona(c, c.disquete() + QLatin1Char('/') + NomePedaco(nome, 1));
        QCOMPARE(c.caixas.textos(), (QStringList{kUltimo, numero(2), kPronto}));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{nome});
        QVERIFY(CenarioPacote::le(c.pastaTrabalho() + QLatin1Char('/') + nome) == gerado);
        QCOMPARE(selecao.resultado.pacote.codigoEscola(), QStringLiteral("31099999"));
        QVERIFY(selecao.resultado.pronto);
    }

    void parteVaziaNaoSeAgrupa()
    {
        CenarioPacote c;
        Disquetes disquetes(c.disquete());
        preparaDisquetes(disquetes, 2000000, 2);
        disquetes.discos[2] = {{NomePedaco(kNome, 2), QByteArray()}};
        disquetes.insere(1);
        c.caixas.aoMostrar([&](const Registro &caixa, int) {
            if (caixa.texto == kUltimo)
                disquetes.insere(2);
        });
        c.caixas.confirma(2);
        const Selecao selecao = seleciona(c, c.disquete() + QLatin1Char('/') + NomePedaco(kNome, 1));
        QCOMPARE(c.caixas.textos(), (QStringList{kUltimo, QStringLiteral("Ocorreu um erro ao agrupar os arquivos")}));
        QCOMPARE(c.caixas.mostradas().last().icone, Icone::Critico);
        QCOMPARE(c.caixas.mostradas().last().titulo, QStringLiteral("Tavo_Upload_Cliente"));
        QVERIFY(!selecao.resultado.pronto);
    }
};

QTEST_MAIN(TstSelecionaPacote)
#include "tst_selecionaPacote.moc"
