// "Transmitir" announces and sends the package made ready by "Gerar" or
// "...", whatever became of the working folder and of File1 since: a floppy
// export that left only pieces there, a disk read that left a piece selected.
#include "CenarioPacote.h"
#include "CenarioTransmissao.h"

#include "common/Caminhos.h"
#include "common/Relogio.h"
#include "common/gui/DialogoArquivo.h"
#include "package/ArquivosTrabalho.h"
#include "shell/ListaArquivos.h"
#include "transfer/Espera.h"

#include "support/Controles.h"
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace CaixaMensagem;
using namespace std::chrono_literals;

namespace {

const QString &kNome = CenarioTransmissao::kNomePacote;
const QString kPronto = QStringLiteral("O Arquivo está pronto para ser Transmitido!");
const QString kUltimo = QStringLiteral("Insira o último disquete e aperte o botão OK");

QByteArray pacoteDaEscola()
{
    QTemporaryDir pasta;
    const QString caminho = pasta.filePath(kNome);
    CenarioPacote::criaPacote(caminho, CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_uma.mdb"))));
    return CenarioPacote::le(caminho);
}

// Makes a package ready the way `origem` says; returns the host path of the
// source the program may copy it from again (empty when the test cannot
// reach it) and leaves the package's bytes in the scenario.
QString preparaPacote(CenarioTransmissao &cenario, const QString &origem)
{
    frmPrincipal &janela = *cenario.janela;
    const QString disquete = CenarioPacote::local(Caminhos::unidadeDisquete());
    if (origem == QLatin1String("Limpar")) {
        // Ready, then thrown away; the codes typed again and the buttons
        // usable: only the choice is missing.
        cenario.colocaPacote(5000);
        botao(janela, "CancelaArquivo")->click();
        caixaDeTexto(janela, "txtCodigoSRE")->setText(QStringLiteral("114"));
        caixaDeTexto(janela, "txtCodigoEscola")->setText(QStringLiteral("31045678"));
        janela.HabilitaBotoesEnvio();
        return instalacaoAtual().local(CenarioTransmissao::pacoteGerado());
    }
    if (origem == QLatin1String("Gerar")) {
        cenario.ambiente.copiaDado(QStringLiteral("escola_uma.mdb"), instalacaoAtual().local(Caminhos::bancoEscola()));
        QDir().mkpath(instalacaoAtual().local(Caminhos::pastaPacotes()));
        botao(janela, "cmdGerar")->click();
        const QString fonte = instalacaoAtual().local(CenarioTransmissao::pacoteGerado());
        cenario.conteudo = CenarioPacote::le(fonte);
        return fonte;
    }
    cenario.conteudo = pacoteDaEscola();
    if (origem == QLatin1String("zip")) {
        const QString fonte = cenario.ambiente.raiz() + QStringLiteral("/escolhidos/") + kNome;
        CenarioPacote::grava(fonte, cenario.conteudo);
        DialogoArquivo::escolheProximo(fonte);
        cenario.caixas.confirma();
        botao(janela, "cmdProcurar")->click();
        return fonte;
    }
    // Two pieces on two disks.
    const qsizetype metade = cenario.conteudo.size() / 2;
    CenarioPacote::grava(disquete + QStringLiteral("/") + kNome + QStringLiteral(".001"),
                         cenario.conteudo.left(metade));
    cenario.caixas.aoMostrar([&](const Registro &caixa, int) {
        if (caixa.texto != kUltimo)
            return;
        QFile::remove(disquete + QStringLiteral("/") + kNome + QStringLiteral(".001"));
        CenarioPacote::grava(disquete + QStringLiteral("/") + kNome + QStringLiteral(".002"),
                             cenario.conteudo.mid(metade));
    });
    DialogoArquivo::escolheProximo(disquete + QStringLiteral("/") + kNome + QStringLiteral(".001"));
    cenario.caixas.confirma(2);
    botao(janela, "cmdProcurar")->click();
    cenario.caixas.aoMostrar({});
    return {};
}

// A byte of the package's data changed, at its size and with a time of
// change of its own (a file system keeps it in ticks of milliseconds).
void danifica(const QString &pacote)
{
    QFile arquivo(pacote);
    QVERIFY(arquivo.open(QIODevice::ReadWrite));
    const qint64 meio = arquivo.size() / 2;
    QVERIFY(arquivo.seek(meio));
    const char byte = arquivo.read(1).at(0);
    QVERIFY(arquivo.seek(meio));
    QCOMPARE(arquivo.write(QByteArray(1, char(byte ^ 0x5a))), 1);
    QVERIFY(arquivo.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
}

} // namespace

class TstPacoteEscolhido : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { CenarioEnvio::prazosIniciais = {1000ms, 5000ms, 5000ms}; }
    void init() { Relogio::fixa(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3))); }
    void cleanup()
    {
        Relogio::fixa({});
        DialogoArquivo::removeRoteiro();
    }

    void enviaOPacoteEscolhido_data()
    {
        QTest::addColumn<QString>("origem");
        QTest::addColumn<bool>("semFonte");
        QTest::addColumn<bool>("enviado");
        QTest::newRow("Gerar: copied again from the package folder") << QStringLiteral("Gerar") << false << true;
        QTest::newRow("zip chosen: copied again from the chosen file") << QStringLiteral("zip") << false << true;
        QTest::newRow("pieces joined: copied again from the program's own copy")
            << QStringLiteral("pieces") << false << true;
        QTest::newRow("Gerar, package folder emptied too: refused") << QStringLiteral("Gerar") << true << false;
        QTest::newRow("zip chosen, then deleted: refused") << QStringLiteral("zip") << true << false;
        QTest::newRow("thrown away by Limpar: refused") << QStringLiteral("Limpar") << false << false;
    }
    void enviaOPacoteEscolhido()
    {
        QFETCH(QString, origem);
        QFETCH(bool, semFonte);
        QFETCH(bool, enviado);
        CenarioTransmissao cenario;
        frmPrincipal &janela = *cenario.janela;
        const QString fonte = preparaPacote(cenario, origem);
        QVERIFY(cenario.caixas.mostradas().isEmpty() || cenario.caixas.textos().last() == kPronto);
        QCOMPARE(cenario.caixas.inesperadas(), 0);
        cenario.caixas.limpa();

        // Since then, a floppy export left only pieces in the working folder,
        // and a disk read left a piece of something else selected in File1.
        LimpaPastaTemp(instalacaoAtual());
        CenarioPacote::grava(CenarioPacote::local(Caminhos::pastaTrabalho()) + QLatin1Char('/') + kNome
                                 + QStringLiteral(".001"),
                             "a piece");
        const QString disquete = CenarioPacote::local(Caminhos::unidadeDisquete());
        CenarioPacote::grava(disquete + QStringLiteral("/OUTRO.zip.003"), "another package's piece");
        controle<ListaArquivos>(janela, "File1")->setPath(Caminhos::unidadeDisquete());
        controle<ListaArquivos>(janela, "File1")->setListIndex(0);
        if (semFonte)
            QVERIFY(QFile::remove(fonte));

        auto &servidor = cenario.iniciaServidor({}, cenario.porta);
        int conexoes = 0;
        connect(&servidor, &ServidorUpload::registro, this,
                [&conexoes](const QString &linha) { conexoes += linha.endsWith(QLatin1String(": connected")); });
        QString recebido;
        connect(&servidor, &ServidorUpload::arquivoRecebido, this, [&](const QString &c) { recebido = c; });
        cenario.transmite(1);

        QCOMPARE(cenario.caixas.mostradas().size(), 2);
        QCOMPARE(cenario.caixas.inesperadas(), 0);
        if (!enviado) {
            QVERIFY(caixaIgual(cenario.caixas.mostradas().at(1), QStringLiteral("O Arquivo não existe!"),
                               QStringLiteral("Tavo_Upload_Cliente"), Botoes::Ok, Icone::Critico));
            QTest::qWait(50);
            QCOMPARE(conexoes, 0);
            QCOMPARE(cenario.registros(), 0);
            QCOMPARE(rotulo(janela, "lblstatus")->text(), QStringLiteral("Status: Desconectado."));
            QVERIFY(botao(janela, "cmdTransmitir")->isEnabled());
            // "Cancelar" gives "Transmitir" back only while a package is chosen.
            botao(janela, "cmdTransmitir")->setEnabled(false);
            botao(janela, "cmdCancelar")->click();
            QCOMPARE(botao(janela, "cmdTransmitir")->isEnabled(), origem != QLatin1String("Limpar"));
            return;
        }
        QCOMPARE(cenario.caixas.mostradas().at(1).titulo, QStringLiteral("Transferência OK!"));
        // The name announced, the size announced and the bytes sent are the package's.
        const QByteArray nomeAnunciado = QByteArray("File~~~#:name~#:") + kNome.toLatin1() + '*';
        const QByteArray tamanhoEDados =
            QByteArray("File~~~#:size~#:") + QByteArray::number(cenario.conteudo.size()) + cenario.conteudo;
        QVERIFY(servidor.brutos().contains(nomeAnunciado));
        QVERIFY(servidor.brutos().endsWith(tamanhoEDados));
        QTRY_VERIFY_WITH_TIMEOUT(!recebido.isEmpty(), 5000);
        QVERIFY(CenarioPacote::le(recebido) == cenario.conteudo);
        QCOMPARE(cenario.ambiente.valor(QStringLiteral("select Nome_arquivo from Historico")), kNome);
        QCOMPARE(cenario.registros(), 1);
    }

    // A package that does not read back whole is never sent, however it was
    // chosen and whichever copy goes out: the transfer's error, no
    // connection, nothing recorded.
    void pacoteDanificadoNaoEhEnviado_data()
    {
        QTest::addColumn<QString>("origem");
        QTest::addColumn<QString>("dano");
        QTest::newRow("Gerar, copied again from a damaged package folder")
            << QStringLiteral("Gerar") << QStringLiteral("fonte");
        QTest::newRow("Gerar, its copy in the working folder damaged")
            << QStringLiteral("Gerar") << QStringLiteral("copia");
        QTest::newRow("zip chosen, copied again from the damaged choice")
            << QStringLiteral("zip") << QStringLiteral("fonte");
        // The check made when it was chosen no longer stands for the file.
        QTest::newRow("zip chosen, its copy in the working folder damaged since")
            << QStringLiteral("zip") << QStringLiteral("copia");
        QTest::newRow("an empty file") << QStringLiteral("vazio") << QString();
        QTest::newRow("a file that is not a ZIP") << QStringLiteral("texto") << QString();
    }
    void pacoteDanificadoNaoEhEnviado()
    {
        QFETCH(QString, origem);
        QFETCH(QString, dano);
        CenarioTransmissao cenario;
        frmPrincipal &janela = *cenario.janela;
        QString fonte;
        if (origem == QLatin1String("vazio") || origem == QLatin1String("texto"))
            cenario.colocaPacote(origem == QLatin1String("vazio") ? QByteArray() : QByteArray("isto nao e um pacote"));
        else
            fonte = preparaPacote(cenario, origem);
        QCOMPARE(cenario.caixas.inesperadas(), 0);
        cenario.caixas.limpa();
        const QString copia = CenarioPacote::local(CenarioTransmissao::pacoteNaPastaTrabalho());
        if (dano == QLatin1String("fonte")) {
            LimpaPastaTemp(instalacaoAtual());
            danifica(fonte);
        } else if (dano == QLatin1String("copia")) {
            danifica(copia);
        }

        auto &servidor = cenario.iniciaServidor({}, cenario.porta);
        int conexoes = 0;
        connect(&servidor, &ServidorUpload::registro, this,
                [&conexoes](const QString &linha) { conexoes += linha.endsWith(QLatin1String(": connected")); });
        cenario.transmite(1);

        QCOMPARE(cenario.caixas.mostradas().size(), 2);
        QVERIFY(caixaIgual(cenario.caixas.mostradas().at(1),
                           QStringLiteral("A transferência falhou. A conexão foi perdida."),
                           QStringLiteral("Erro na transferência."), Botoes::Ok, Icone::Critico));
        QCOMPARE(cenario.caixas.inesperadas(), 0);
        QTest::qWait(50);
        QCOMPARE(conexoes, 0);
        QVERIFY(servidor.brutos().isEmpty());
        QCOMPARE(cenario.registros(), 0);
        QCOMPARE(rotulo(janela, "lblstatus")->text(), QStringLiteral("Status: Desconectado."));
        QVERIFY(!janela.transferindo());
        QVERIFY(botao(janela, "cmdTransmitir")->isEnabled());
    }
};

QTEST_MAIN(TstPacoteEscolhido)
#include "tst_pacoteEscolhido.moc"
