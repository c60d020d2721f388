// Package names, floppy pieces, and the shared file helpers.
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "package/ArquivosTrabalho.h"
#include "package/Pedacos.h"

#include "support/AmbienteTeste.h"
#include "support/Auxiliares.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

namespace {

QStringList arquivosDe(const QString &pasta)
{
    return QDir(pasta).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The process's peak resident memory (VmHWM), in KiB; 0 when unknown.
qint64 picoDeMemoriaKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (const QByteArray &linha : status.readAll().split('\n')) {
        if (linha.startsWith("VmHWM:"))
            return linha.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

} // namespace

class TstPedacos : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { FalhasArquivo::remove(); }

    void nomeDoPacoteTemCodigoEDataSemSeparadores()
    {
        QCOMPARE(NomePacote(QStringLiteral("31045678"), QDate(2026, 3, 1)),
                 QStringLiteral("c:\\inetpub\\wwwroot\\tavo\\Arquivo_gerado\\DADOS_31045678_01032026.zip"));
        QCOMPARE(NomePacote(QStringLiteral("31045678"), QDate(2026, 12, 7)),
                 QStringLiteral("c:\\inetpub\\wwwroot\\tavo\\Arquivo_gerado\\DADOS_31045678_07122026.zip"));
        // A database without a school gives two underscores in a row.
        QCOMPARE(Caminhos::nomeArquivo(NomePacote(QString(), QDate(2027, 1, 31))),
                 QStringLiteral("DADOS__31012027.zip"));
    }

    void pedacosNosLimitesDoTamanho()
    {
        QCOMPARE(TamanhoPedaco(), qint64(1447035));
        QCOMPARE(QuantidadePedacos(0), 0);
        QCOMPARE(QuantidadePedacos(1447035), 0);
        QCOMPARE(QuantidadePedacos(1447036), 2);
        QCOMPARE(QuantidadePedacos(2 * 1447035), 2);
        QCOMPARE(QuantidadePedacos(2 * 1447035 + 1), 3);
        QCOMPARE(QuantidadePedacos(3000000), 3);
        QCOMPARE(NomePedaco(QStringLiteral("DADOS_1_01012026.zip"), 2), QStringLiteral("DADOS_1_01012026.zip.002"));
        QCOMPARE(NomePedaco(QStringLiteral("x.zip"), 12), QStringLiteral("x.zip.012"));
        QVERIFY(EhPedaco(QStringLiteral("x.zip.001")));
        QVERIFY(!EhPedaco(QStringLiteral("x.zip")));
        QVERIFY(!EhPedaco(QStringLiteral("x.zip.0a1")));
    }

    void corteEJuncaoDevolvemOPacote_data()
    {
        QTest::addColumn<qint64>("tamanho");
        QTest::addColumn<QList<qint64>>("pedacos");
        QTest::newRow("exatamente um") << qint64(1447035) << QList<qint64>{};
        QTest::newRow("um a mais") << qint64(1447036) << QList<qint64>{1447035, 1};
        QTest::newRow("dois cheios") << qint64(2 * 1447035) << QList<qint64>{1447035, 1447035};
        QTest::newRow("tres milhoes") << qint64(3000000) << QList<qint64>{1447035, 1447035, 105930};
    }

    void corteEJuncaoDevolvemOPacote()
    {
        QFETCH(qint64, tamanho);
        QFETCH(QList<qint64>, pedacos);
        QTemporaryDir pasta;
        const QByteArray pacote = aleatorio(tamanho, quint32(tamanho));
        const QString origem = pasta.filePath(QStringLiteral("origem/DADOS_1_01012026.zip"));
        grava(origem, pacote);
        const QString destino = pasta.filePath(QStringLiteral("pedacos"));
        QVERIFY(QDir().mkpath(destino));

        QList<int> avisados;
        const int n =
            CortaEmPedacos(origem, destino, QStringLiteral("DADOS_1_01012026.zip"), [&](int k) { avisados.append(k); });
        QCOMPARE(n, int(pedacos.size()));
        QCOMPARE(arquivosDe(destino).size(), pedacos.size());
        QCOMPARE(avisados.size(), pedacos.size());
        if (pedacos.isEmpty())
            return;
        QStringList nomes;
        for (int k = 1; k <= n; ++k) {
            nomes.append(NomePedaco(QStringLiteral("DADOS_1_01012026.zip"), k));
            QCOMPARE(QFileInfo(destino + QLatin1Char('/') + nomes.last()).size(), pedacos.at(k - 1));
        }
        QCOMPARE(arquivosDe(destino), nomes);
        QCOMPARE(JuntaPedacos(destino, nomes), QStringLiteral("DADOS_1_01012026.zip"));
        QVERIFY(le(destino + QStringLiteral("/DADOS_1_01012026.zip")) == pacote);
    }

    void juncaoComParteVaziaFalhaSemDeixarSaida()
    {
        QTemporaryDir pasta;
        grava(pasta.filePath(QStringLiteral("p.zip.001")), QByteArray(10, 'a'));
        grava(pasta.filePath(QStringLiteral("p.zip.002")), QByteArray());
        QVERIFY(numeroDoErro([&] {
                    JuntaPedacos(pasta.path(), {QStringLiteral("p.zip.001"), QStringLiteral("p.zip.002")});
                })
                != 0);
        QCOMPARE(arquivosDe(pasta.path()), (QStringList{QStringLiteral("p.zip.001"), QStringLiteral("p.zip.002")}));
        QVERIFY(numeroDoErro([&] { JuntaPedacos(pasta.path(), {QStringLiteral("p.zip.003")}); }) != 0);
        QVERIFY(numeroDoErro([&] { JuntaPedacos(pasta.path(), {}); }) != 0);
    }

    void copiaParaPastaSubstituiEFalhasTemNumero()
    {
        AmbienteTeste ambiente;
        const QString origem = ambiente.raiz() + QStringLiteral("/com brancos/pacote.zip");
        grava(origem, "novo");
        const QString pasta = instalacaoAtual().local(QStringLiteral("c:\\temp_tavo"));
        grava(pasta + QStringLiteral("/pacote.zip"), "velho conteudo");
        CopiaArquivo(instalacaoAtual(), origem, QStringLiteral("c:\\temp_tavo\\"));
        QCOMPARE(le(pasta + QStringLiteral("/pacote.zip")), QByteArray("novo"));
        CopiaArquivo(instalacaoAtual(), origem, QStringLiteral("c:\\temp_tavo\\outro.zip"));
        QCOMPARE(le(pasta + QStringLiteral("/outro.zip")), QByteArray("novo"));

        QCOMPARE(numeroDoErro([&] {
                     CopiaArquivo(instalacaoAtual(), origem + QStringLiteral("x"), QStringLiteral("c:\\temp_tavo\\"));
                 }),
                 Erros::ArquivoNaoEncontrado);
        QCOMPARE(numeroDoErro([&] { CopiaArquivo(instalacaoAtual(), origem, QStringLiteral("c:\\nao_existe\\")); }),
                 Erros::CaminhoNaoEncontrado);
    }

    void discoCheioNaCopiaNaoDeixaArquivoPelaMetade()
    {
        AmbienteTeste ambiente;
        const QString origem = ambiente.raiz() + QStringLiteral("/pacote.zip");
        grava(origem, aleatorio(3 << 20, 7));
        const QString disquete = instalacaoAtual().local(QStringLiteral("a:\\"));
        QVERIFY(QDir().mkpath(disquete));
        grava(disquete + QStringLiteral("/pacote.zip"), "copia anterior");
        int escritas = 0;
        // The second block written fails, as a disk fills in the middle of a copy.
        FalhasArquivo::instala(
            [&](const QString &destino) { return destino.startsWith(disquete) && ++escritas == 3 ? ENOSPC : 0; });
        QCOMPARE(numeroDoErro([&] { CopiaArquivo(instalacaoAtual(), origem, QStringLiteral("a:\\")); }),
                 Erros::DiscoCheio);
        QCOMPARE(arquivosDe(disquete), QStringList{QStringLiteral("pacote.zip")});
        QCOMPARE(le(disquete + QStringLiteral("/pacote.zip")), QByteArray("copia anterior"));

        FalhasArquivo::instala([&](const QString &) { return EROFS; });
        QCOMPARE(numeroDoErro([&] { CopiaArquivo(instalacaoAtual(), origem, QStringLiteral("a:\\")); }),
                 Erros::AcessoArquivo);
        FalhasArquivo::instala([&](const QString &) { return EIO; });
        QCOMPARE(numeroDoErro([&] { CopiaArquivo(instalacaoAtual(), origem, QStringLiteral("a:\\")); }),
                 Erros::FalhaArquivo);
    }

    void erroDoSistemaTemONumeroQueAJanelaTesta_data()
    {
        QTest::addColumn<int>("codigo");
        QTest::addColumn<long>("numero");
        QTest::addColumn<QString>("descricao"); // %1 the path, %2 the system's text
        const QString cheio = QStringLiteral("Não há espaço suficiente no disco (%1)");
        const QString acesso = QStringLiteral("Erro de acesso ao caminho/arquivo: %1 (%2)");
        const QString caminho = QStringLiteral("Caminho não encontrado: %1");
        const QString outro = QStringLiteral("Erro de E/S no dispositivo: %1 (%2)");
        QTest::newRow("sem espaço") << ENOSPC << Erros::DiscoCheio << cheio;
#ifdef EDQUOT // not on Windows
        QTest::newRow("cota") << EDQUOT << Erros::DiscoCheio << cheio;
#endif
        QTest::newRow("grande demais") << EFBIG << Erros::DiscoCheio << cheio;
        QTest::newRow("sem acesso") << EACCES << Erros::AcessoArquivo << acesso;
        QTest::newRow("sem permissão") << EPERM << Erros::AcessoArquivo << acesso;
        QTest::newRow("somente leitura") << EROFS << Erros::AcessoArquivo << acesso;
        QTest::newRow("em execução") << ETXTBSY << Erros::AcessoArquivo << acesso;
        QTest::newRow("ocupado") << EBUSY << Erros::AcessoArquivo << acesso;
        QTest::newRow("falta") << ENOENT << Erros::CaminhoNaoEncontrado << caminho;
        QTest::newRow("não é pasta") << ENOTDIR << Erros::CaminhoNaoEncontrado << caminho;
        QTest::newRow("E/S") << EIO << Erros::FalhaArquivo << outro;
        QTest::newRow("é pasta") << EISDIR << Erros::FalhaArquivo << outro;
        QTest::newRow("já existe") << EEXIST << Erros::FalhaArquivo << outro;
    }

    void erroDoSistemaTemONumeroQueAJanelaTesta()
    {
        QFETCH(int, codigo);
        QFETCH(long, numero);
        QFETCH(QString, descricao);
        const QString caminho = QStringLiteral("/x/DADOS.zip");
        const ErroTavo erro = erroDoSistema(codigo, caminho);
        QCOMPARE(erro.numero(), numero);
        const QString sistema = QString::fromLocal8Bit(std::strerror(codigo));
        const bool comTexto = descricao.contains(QLatin1String("%2"));
        QCOMPARE(erro.descricao(), comTexto ? descricao.arg(caminho, sistema) : descricao.arg(caminho));
    }

    void midiaQueRecusaAGravacaoEstaCheiaOuProtegida_data()
    {
        QTest::addColumn<bool>("removivel");
        QTest::addColumn<int>("codigo");
        QTest::addColumn<long>("numero");
        QTest::newRow("mídia protegida") << true << EROFS << Erros::DiscoCheio;
        QTest::newRow("mídia sem acesso") << true << EACCES << Erros::DiscoCheio;
        QTest::newRow("mídia sem permissão") << true << EPERM << Erros::DiscoCheio;
        QTest::newRow("mídia cheia") << true << ENOSPC << Erros::DiscoCheio;
        QTest::newRow("mídia ocupada") << true << EBUSY << Erros::AcessoArquivo;
        QTest::newRow("mídia com defeito") << true << EIO << Erros::FalhaArquivo;
        QTest::newRow("disco protegido") << false << EROFS << Erros::AcessoArquivo;
        QTest::newRow("disco cheio") << false << ENOSPC << Erros::DiscoCheio;
    }

    void midiaQueRecusaAGravacaoEstaCheiaOuProtegida()
    {
        QFETCH(bool, removivel);
        QFETCH(int, codigo);
        QFETCH(long, numero);
        const auto midia = removivel ? GravacaoAtomica::Midia::Removivel : GravacaoAtomica::Midia::Fixa;
        QTemporaryDir pasta;
        const QString destino = pasta.filePath(QStringLiteral("DADOS.zip.001"));
        // Refused when the file is made, and at the second write.
        FalhasArquivo::instala([&](const QString &) { return codigo; });
        QCOMPARE(numeroDoErro([&] { GravacaoAtomica saida(destino, midia); }), numero);
        int chamadas = 0;
        FalhasArquivo::instala([&](const QString &) { return ++chamadas == 3 ? codigo : 0; });
        QCOMPARE(numeroDoErro([&] {
                     GravacaoAtomica saida(destino, midia);
                     saida.escreve(QByteArray(1000, 'a'));
                     saida.escreve(QByteArray(1000, 'b'));
                 }),
                 numero);
        QCOMPARE(arquivosDe(pasta.path()), QStringList());
    }

    void juncaoNaoCresceComOTamanhoDosPedacos()
    {
        QFile zera(QStringLiteral("/proc/self/clear_refs")); // "5" resets the peak (VmHWM)
        if (!zera.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || zera.write("5") != 1)
            QSKIP("the process's peak memory cannot be reset here");
        // Two pieces of 24 MiB, written and hashed block by block.
        QTemporaryDir pasta;
        const QStringList pedacos{QStringLiteral("g.zip.001"), QStringLiteral("g.zip.002")};
        QCryptographicHash esperado(QCryptographicHash::Sha1);
        for (int i = 0; i < 48; ++i) {
            QFile arquivo(pasta.filePath(pedacos.at(i / 24)));
            QVERIFY(arquivo.open(QIODevice::Append));
            const QByteArray bloco(1 << 20, char(i * 37 + 11));
            esperado.addData(bloco);
            QCOMPARE(arquivo.write(bloco), bloco.size());
        }
        QVERIFY(zera.write("5") == 1);
        const qint64 antes = picoDeMemoriaKb();
        QElapsedTimer relogio;
        relogio.start();
        QCOMPARE(JuntaPedacos(pasta.path(), pedacos), QStringLiteral("g.zip"));
        QVERIFY(relogio.elapsed() < 60000);
        const qint64 crescimento = picoDeMemoriaKb() - antes;
        QVERIFY2(antes > 0 && crescimento < 8 * 1024,
                 qPrintable(QString::number(crescimento) + QStringLiteral(" KiB")));
        QFile juntado(pasta.filePath(QStringLiteral("g.zip")));
        QCryptographicHash obtido(QCryptographicHash::Sha1);
        QVERIFY(juntado.open(QIODevice::ReadOnly) && obtido.addData(&juntado));
        QCOMPARE(obtido.result(), esperado.result());
    }

    void limpaPastaTempApagaArquivosECriaAPasta()
    {
        AmbienteTeste ambiente;
        const QString pasta = instalacaoAtual().local(Caminhos::pastaTrabalho());
        QVERIFY(!QFileInfo::exists(pasta));
        LimpaPastaTemp(instalacaoAtual());
        QVERIFY(QFileInfo(pasta).isDir());
        LimpaPastaTemp(instalacaoAtual()); // an empty folder is no error

        grava(pasta + QStringLiteral("/a.zip"), "a");
        grava(pasta + QStringLiteral("/.oculto"), "b");
        grava(pasta + QStringLiteral("/sub/dentro.txt"), "c");
        grava(pasta + QStringLiteral("/guardado.zip"), "d");
        LimpaPastaTemp(instalacaoAtual(), pasta + QStringLiteral("/guardado.zip"));
        QCOMPARE(arquivosDe(pasta), QStringList{QStringLiteral("guardado.zip")});
        QVERIFY(QFileInfo::exists(pasta + QStringLiteral("/sub/dentro.txt")));

        // A read-only file is not forced; the others still go.
        grava(pasta + QStringLiteral("/protegido.zip"), "e");
        QVERIFY(QFile::setPermissions(pasta + QStringLiteral("/protegido.zip"), QFileDevice::ReadOwner));
        QCOMPARE(numeroDoErro([] { LimpaPastaTemp(instalacaoAtual()); }), Erros::AcessoArquivo);
        QCOMPARE(arquivosDe(pasta), QStringList{QStringLiteral("protegido.zip")});
    }
};

QTEST_GUILESS_MAIN(TstPedacos)
#include "tst_pedacos.moc"
