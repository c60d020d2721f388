// "Gerar" on a real Access school database, driven through the main window.
#include "CenarioPacote.h"

#include "common/Caminhos.h"
#include "common/FormataTamanho.h"
#include "common/gui/Interface.h"
#include "package/ArquivosTrabalho.h"
#include "package/StatusZip.h"
#include "shell/ListaArquivos.h"

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

using namespace CaixaMensagem;

namespace {

const QString kErroGerar =
    QStringLiteral("Atenção!\r\nOcorreu um erro ao gerar o arquivo.\r\n"
                   "Tente novamente. Caso o erro persista entre em contato com o suporte do TAVO.");
const QString kPacote = QStringLiteral("DADOS_31045678_01032026.zip");

bool botoesDeEnvio(const frmPrincipal &janela, bool habilitados)
{
    return janela.cmdDisquete->isEnabled() == habilitados && janela.cmdInternet->isEnabled() == habilitados
           && janela.cmdTransmitir->isEnabled() == habilitados;
}

// What the window looks like after any generation, good or bad.
void verificaRepouso(const frmPrincipal &janela)
{
    QVERIFY(!Interface::ponteiroEmAmpulheta());
    QVERIFY(janela.lblAguarde->isHidden());
    QCOMPARE(janela.lblProgresso->text(), QString());
    QVERIFY(janela.cmdGerar->isEnabled());
    QVERIFY(janela.cmdProcurar->isEnabled());
    QVERIFY(janela.mnuArquivo->isEnabled());
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
        QStringList linhas;
        bool bloqueado = true;
        QObject::connect(c.janela.txtZip, &QLineEdit::textChanged, &c.janela, [&] {
            linhas.append(c.janela.lblProgresso->text());
            bloqueado = bloqueado && !c.janela.cmdGerar->isEnabled() && !c.janela.cmdProcurar->isEnabled()
                        && !c.janela.CancelaArquivo->isEnabled() && !c.janela.mnuArquivo->isEnabled();
        });

        c.janela.cmdGerar->click();

        QCOMPARE(c.caixas.mostradas().size(), 0);
        const QString pacote = c.pastaPacotes() + QLatin1Char('/') + kPacote;
        QVERIFY(CenarioPacote::bancoDoPacote(pacote) == CenarioPacote::le(c.local(Caminhos::bancoEscola())));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kPacote});
        QVERIFY(CenarioPacote::le(c.pastaTrabalho() + QLatin1Char('/') + kPacote) == CenarioPacote::le(pacote));
        QCOMPARE(c.janela.File1->count(), 1);
        QCOMPARE(c.janela.File1->fileName(), kPacote);
        QCOMPARE(c.janela.txtCaminhoArquivo->text(), Caminhos::pastaPacotes() + kPacote);
        QCOMPARE(c.janela.txtArquivo->text(),
                 kPacote + QStringLiteral(" - ") + FormataTamanho(QFileInfo(pacote).size()));
        QCOMPARE(c.janela.txtCodigoSRE->text(), QStringLiteral("114"));
        QCOMPARE(c.janela.txtSRE->text(), QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"));
        QCOMPARE(c.janela.txtEscola->text(), QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"));
        QCOMPARE(c.janela.txtCodigoEscola->text(), QStringLiteral("31045678"));
        QCOMPARE(c.janela.SSTab->currentIndex(), 1);
        QVERIFY(botoesDeEnvio(c.janela, true));
        verificaRepouso(c.janela);

        // The relay showed true steps of the job while the job buttons were off.
        QVERIFY(bloqueado);
        static const QRegularExpression zipando(QStringLiteral("^Zipando mirv_dat\\.mdb -> (\\d+)%$"));
        QList<int> percentuais;
        for (const QString &linha : linhas) {
            const QRegularExpressionMatch m = zipando.match(linha);
            if (m.hasMatch())
                percentuais.append(m.captured(1).toInt());
        }
        QVERIFY2(percentuais.size() >= 5, qPrintable(linhas.join(QLatin1Char('\n'))));
        QVERIFY(std::any_of(percentuais.begin(), percentuais.end(), [](int p) { return p > 0 && p < 100; }));
        QVERIFY(linhas.contains(QStringLiteral("Zipado mirv_dat.mdb -> 100%")));

        const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
        if (unzip.isEmpty())
            QSKIP("unzip is not installed: the package was checked with the program's own reader only");
        QProcess processo;
        processo.start(unzip, {QStringLiteral("-t"), pacote});
        QVERIFY(processo.waitForFinished(30000));
        QCOMPARE(processo.exitCode(), 0);
    }

    void segundaGeracaoDoDiaSubstituiOPacote()
    {
        CenarioPacote c;
        c.poeBancoEscola(QStringLiteral("escola_uma.mdb"));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));
        c.janela.cmdGerar->click();
        // "Limpar" between the two: a generation on an empty working folder.
        c.janela.CancelaArquivo->click();
        QVERIFY(botoesDeEnvio(c.janela, false));
        QCOMPARE(c.janela.txtCodigoEscola->text(), QString());
        c.poeBancoEscola(QStringLiteral("escola_codigo_numerico.mdb"));
        c.janela.cmdGerar->click();
        QCOMPARE(c.caixas.mostradas().size(), 0);
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{kPacote});
        QVERIFY(CenarioPacote::bancoDoPacote(c.pastaPacotes() + QLatin1Char('/') + kPacote)
                == CenarioPacote::le(AmbienteTeste::dado(QStringLiteral("escola_codigo_numerico.mdb"))));
        QVERIFY(botoesDeEnvio(c.janela, true));
    }

    void escolaSemLinhaGeraPacoteSemCodigo()
    {
        CenarioPacote c;
        c.poeBancoEscola(QStringLiteral("escola_nenhuma.mdb"));
        QVERIFY(QDir().mkpath(c.pastaPacotes()));
        c.janela.txtEscola->setText(QStringLiteral("ANTERIOR"));
        c.janela.cmdGerar->click();
        QCOMPARE(c.caixas.mostradas().size(), 0);
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{QStringLiteral("DADOS__01032026.zip")});
        QCOMPARE(c.janela.txtEscola->text(), QString());
        QCOMPARE(c.janela.txtCodigoEscola->text(), QString());
    }

    void falhasDaoAMensagemUnicaEDesligamOEnvio_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::newRow("pasta de pacotes ausente") << QStringLiteral("pacotes");
        QTest::newRow("banco da escola ausente") << QStringLiteral("banco");
        QTest::newRow("nulo no nome da escola") << QStringLiteral("nulo");
        QTest::newRow("pasta de trabalho protegida") << QStringLiteral("trabalho");
    }

    void falhasDaoAMensagemUnicaEDesligamOEnvio()
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
        // A package chosen before, whose school code is still in the boxes.
        c.janela.HabilitaBotoesEnvio();
        c.janela.txtCodigoEscola->setText(QStringLiteral("99999999"));
        c.janela.txtEscola->setText(QStringLiteral("ESCOLA ANTERIOR"));
        c.caixas.confirma();

        c.janela.cmdGerar->click();

        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), kErroGerar, QStringLiteral("Erro ao gerar arquivo"),
                           Botoes::Ok, Icone::Critico));
        QVERIFY(botoesDeEnvio(c.janela, false));
        verificaRepouso(c.janela);
        if (caso == QLatin1String("nulo")) {
            // The boxes keep the earlier school, and no package is made
            // under its code.
            QCOMPARE(c.janela.txtEscola->text(), QStringLiteral("ESCOLA ANTERIOR"));
            QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList());
        }
        if (caso == QLatin1String("trabalho"))
            QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{kPacote});
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
                QCOMPARE(std::rename(QFile::encodeName(outro).constData(), QFile::encodeName(banco).constData()), 0);
            }
        };
        int feitas = 0;
        bool lido = false; // the packer of this try has read the database
        QObject::connect(c.janela.txtZip, &QLineEdit::textChanged, &c.janela, [&](const QString &status) {
            if (CodigoAcao(status) != static_cast<std::int16_t>(AcaoZip::Zipando))
                return;
            const bool inicio = PercentualAcao(status) == 0;
            if (inicio)
                lido = false;
            if (inicio || lido || feitas >= vezes)
                return;
            lido = true;
            altera(++feitas);
        });

        if (vezes > 1)
            c.caixas.confirma();

        c.janela.cmdGerar->click();

        verificaRepouso(c.janela);
        QCOMPARE(c.caixas.inesperadas(), 0);
        if (vezes == 1) {
            QCOMPARE(feitas, 1);
            QCOMPARE(c.caixas.mostradas().size(), 0);
            QVERIFY(CenarioPacote::bancoDoPacote(pacote) == CenarioPacote::le(banco));
            QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{kPacote});
            QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList{kPacote});
            QVERIFY(CenarioPacote::le(c.pastaTrabalho() + QLatin1Char('/') + kPacote) == CenarioPacote::le(pacote));
            QVERIFY(botoesDeEnvio(c.janela, true));
            return;
        }
        // Tried once more, then given up.
        QCOMPARE(feitas, 2);
        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), kErroGerar, QStringLiteral("Erro ao gerar arquivo"),
                           Botoes::Ok, Icone::Critico));
        QCOMPARE(CenarioPacote::le(pacote), QByteArray("pacote anterior de hoje"));
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaPacotes()), QStringList{kPacote});
        QCOMPARE(CenarioPacote::arquivosDe(c.pastaTrabalho()), QStringList());
        QVERIFY(botoesDeEnvio(c.janela, false));
    }

    void cadaStatusDaUmaLinhaNovaNoProgresso()
    {
        CenarioPacote c;
        c.janela.txtZip->setText(QStringLiteral("|12||mirv_dat.mdb|||45|"));
        QCOMPARE(c.janela.lblProgresso->text(), QStringLiteral("Zipando mirv_dat.mdb -> 45%"));
        c.janela.txtZip->setText(QStringLiteral("|99||b"));
        QCOMPARE(c.janela.lblProgresso->text(), QStringLiteral("-=Desconhecido=- b -> 0%"));
    }

    void inicializacaoSemCaixaDeStatusAvisa()
    {
        CenarioPacote c;
        c.caixas.confirma();
        c.janela.InicializaZip(nullptr);
        QCOMPARE(c.caixas.mostradas().size(), 1);
        QVERIFY(caixaIgual(c.caixas.mostradas().first(), QStringLiteral("Erro inicializando bibliotecas ZIP"),
                           QStringLiteral("Tavo_Upload_Cliente"), Botoes::Ok, Icone::Critico));
        c.janela.InicializaZip(c.janela.txtZip);
    }
};

QTEST_MAIN(TstGeraPacote)
#include "tst_geraPacote.moc"
