// The working folder is not flushed to the disk (its files are intermediate),
// so a full disk there must still be caught by the writes themselves: a real
// small file system mounted on the working folder fills up while pieces are
// cut, while they are joined, and while a package is made.
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "package/ArquivosTrabalho.h"
#include "package/MotorZip.h"
#include "package/Pedacos.h"

#include "support/AmbienteTeste.h"
#include "support/Auxiliares.h"
#include "support/PastaPequena.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

void grava(const QString &caminho, qint64 tamanho)
{
    QFile arquivo(caminho);
    QVERIFY(arquivo.open(QIODevice::WriteOnly));
    QByteArray dados(tamanho, Qt::Uninitialized);
    for (qint64 i = 0; i < tamanho; ++i)
        dados[i] = char((i * 7919) >> 3);
    QCOMPARE(arquivo.write(dados), tamanho);
}

} // namespace

class TstPastaTrabalhoCheia : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cortarNumaPastaCheiaFalhaSemPedacoPelaMetade()
    {
        AmbienteTeste ambiente;
        const QString origem = ambiente.raiz() + QStringLiteral("/DADOS.zip");
        grava(origem, 4 * TamanhoPedaco());
        // Room for one piece and a half.
        const PastaPequena pasta(instalacaoAtual().local(Caminhos::pastaTrabalho()), "2200k");
        if (!pasta.montada())
            QSKIP("mounting a tmpfs needs root");
        QCOMPARE(numeroDoErro([&] { CortaEmPedacos(origem, pasta.pasta(), QStringLiteral("DADOS.zip")); }),
                 Erros::DiscoCheio);
        QCOMPARE(pasta.arquivos(), QStringList{NomePedaco(QStringLiteral("DADOS.zip"), 1)});
    }

    void juntarNumaPastaCheiaFalhaSemPacotePelaMetade()
    {
        AmbienteTeste ambiente;
        const PastaPequena pasta(instalacaoAtual().local(Caminhos::pastaTrabalho()), "3500k");
        if (!pasta.montada())
            QSKIP("mounting a tmpfs needs root");
        const QStringList pedacos{QStringLiteral("DADOS.zip.001"), QStringLiteral("DADOS.zip.002")};
        for (const QString &pedaco : pedacos)
            grava(pasta.pasta() + QLatin1Char('/') + pedaco, TamanhoPedaco());
        QCOMPARE(numeroDoErro([&] { JuntaPedacos(pasta.pasta(), pedacos); }), Erros::DiscoCheio);
        QCOMPARE(pasta.arquivos(), pedacos);
    }

    void pacoteNumaPastaCheiaFalhaEMantemOAnterior()
    {
        AmbienteTeste ambiente;
        const int tamanho = 3 << 20;
        const QString banco = ambiente.raiz() + QStringLiteral("/mirv_dat.mdb");
        QFile arquivo(banco);
        QVERIFY(arquivo.open(QIODevice::WriteOnly) && arquivo.write(aleatorio(tamanho, 5)) == tamanho);
        arquivo.close();
        const PastaPequena pasta(instalacaoAtual().local(Caminhos::pastaTrabalho()), "1m");
        if (!pasta.montada())
            QSKIP("mounting a tmpfs needs root");
        const QString pacote = pasta.pasta() + QStringLiteral("/DADOS.zip");
        grava(pacote, 1000);
        QCOMPARE(numeroDoErro([&] { MotorZip::compacta(pacote, banco, QStringLiteral("mirv_dat.mdb"), 3, {}); }),
                 Erros::DiscoCheio);
        QCOMPARE(pasta.arquivos(), QStringList{QStringLiteral("DADOS.zip")});
        QCOMPARE(QFileInfo(pacote).size(), 1000);
    }

    void cabendoTudoOsPedacosVoltamAoPacote()
    {
        AmbienteTeste ambiente;
        const QString origem = ambiente.raiz() + QStringLiteral("/DADOS.zip");
        grava(origem, 2 * TamanhoPedaco() + 5);
        const PastaPequena pasta(instalacaoAtual().local(Caminhos::pastaTrabalho()), "8m");
        if (!pasta.montada())
            QSKIP("mounting a tmpfs needs root");
        QCOMPARE(CortaEmPedacos(origem, pasta.pasta(), QStringLiteral("DADOS.zip")), 3);
        QStringList pedacos = pasta.arquivos();
        QCOMPARE(pedacos.size(), 3);
        QCOMPARE(JuntaPedacos(pasta.pasta(), pedacos), QStringLiteral("DADOS.zip"));
        QFile original(origem);
        QFile juntado(pasta.pasta() + QStringLiteral("/DADOS.zip"));
        QVERIFY(original.open(QIODevice::ReadOnly) && juntado.open(QIODevice::ReadOnly));
        QCOMPARE(juntado.readAll(), original.readAll());
    }
};

QTEST_GUILESS_MAIN(TstPastaTrabalhoCheia)
#include "tst_pastaTrabalhoCheia.moc"
