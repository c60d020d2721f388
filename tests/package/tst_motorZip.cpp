// The ZIP engine on real archives: round trips, true progress, atomic
// writing, safe extraction, damaged input.
#include "common/Erro.h"
#include "package/ConferenciaPacote.h"
#include "package/MotorZip.h"
#include "package/StatusZip.h"
#include "support/Auxiliares.h"
#include "support/PacoteZip.h"
#include "support/SistemaTeste.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>
#include <zlib.h>

namespace {

QStringList arquivosDe(const QString &pasta)
{
    return QDir(pasta).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// An archive with the given entries, written by the library directly, so
// that names the program would never write can be tried.
void criaZip(const QString &caminho, const QList<QPair<QByteArray, QByteArray>> &entradas)
{
    int erro = 0;
    zip_t *zip = zip_open(QFile::encodeName(caminho).constData(), ZIP_CREATE | ZIP_TRUNCATE, &erro);
    QVERIFY(zip);
    for (const auto &[nome, dados] : entradas) {
        zip_source_t *fonte = zip_source_buffer(zip, dados.constData(), zip_uint64_t(dados.size()), 0);
        QVERIFY(fonte);
        QVERIFY(zip_file_add(zip, nome.constData(), fonte, ZIP_FL_ENC_RAW) >= 0);
    }
    QCOMPARE(zip_close(zip), 0);
}

struct Registro
{
    QList<EventoZip> eventos;
    MotorZip::Relator relator()
    {
        return [this](const EventoZip &evento) { eventos.append(evento); };
    }
    QList<int> percentuais(AcaoZip acao) const
    {
        QList<int> lista;
        for (const EventoZip &evento : eventos) {
            if (evento.acao == acao)
                lista.append(evento.percentual);
        }
        return lista;
    }
};

} // namespace

char *toString(const EventoZip &evento)
{
    return QTest::toString(LinhaEvento(evento));
}

class TstMotorZip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pacoteIdaEVoltaIgualByteAByte()
    {
        QTemporaryDir pasta;
        const QByteArray banco = aleatorio(700000, 1) + QByteArray(900000, 'x');
        grava(pasta.filePath(QStringLiteral("fonte.mdb")), banco);
        const QString pacote = pasta.filePath(QStringLiteral("DADOS_1_01032026.zip"));
        Registro registro;
        MotorZip::compacta(pacote, pasta.filePath(QStringLiteral("fonte.mdb")), QStringLiteral("mirv_dat.mdb"), 3,
                           registro.relator());
        QCOMPARE(registro.eventos.last(), (EventoZip{AcaoZip::Zipado, QStringLiteral("mirv_dat.mdb"), 100}));

        const QList<MotorZip::Entrada> entradas = MotorZip::testa(pacote, {});
        QCOMPARE(entradas.size(), 1);
        QCOMPARE(entradas.first().nome, QStringLiteral("mirv_dat.mdb"));
        QCOMPARE(entradas.first().tamanho, banco.size());

        const QString destino = pasta.filePath(QStringLiteral("saida"));
        QVERIFY(QDir().mkpath(destino));
        grava(destino + QStringLiteral("/mirv_dat.mdb"), "versao antiga");
        MotorZip::extrai(pacote, QStringLiteral("*.*"), destino, false, registro.relator());
        QVERIFY(le(destino + QStringLiteral("/mirv_dat.mdb")) == banco);
        QCOMPARE(arquivosDe(destino), QStringList{QStringLiteral("mirv_dat.mdb")});
        QCOMPARE(registro.percentuais(AcaoZip::Deszipado), QList<int>{100});

        // Another implementation accepts the package too.
        const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
        if (unzip.isEmpty())
            QSKIP("unzip is not installed: the package was checked with the program's own reader only");
        QProcess processo;
        processo.start(unzip, {QStringLiteral("-t"), pacote});
        QVERIFY(processo.waitForFinished(30000));
        QCOMPARE(processo.exitCode(), 0);
    }

    void progressoContaOsBytesEntreguesNaoOsComprimidos()
    {
        // Zeros compress a thousand to one: a progress made of compressed
        // bytes would stay near 0% and jump to 100%.
        QTemporaryDir pasta;
        grava(pasta.filePath(QStringLiteral("zeros.mdb")), QByteArray(8 << 20, '\0'));
        Registro registro;
        MotorZip::compacta(pasta.filePath(QStringLiteral("p.zip")), pasta.filePath(QStringLiteral("zeros.mdb")),
                           QStringLiteral("mirv_dat.mdb"), 3, registro.relator());
        const QList<int> zipando = registro.percentuais(AcaoZip::Zipando);
        QVERIFY(zipando.size() >= 20);
        QCOMPARE(zipando.first(), 0);
        QCOMPARE(zipando.last(), 100);
        QVERIFY(std::is_sorted(zipando.begin(), zipando.end()));
        QVERIFY(zipando.contains(50));
        for (const EventoZip &evento : registro.eventos)
            QCOMPARE(evento.item, QStringLiteral("mirv_dat.mdb"));
    }

    void falhaOuInterrupcaoDeixaOPacoteAnteriorIntacto()
    {
        QTemporaryDir pasta;
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        grava(pacote, "pacote anterior");
        QVERIFY(numeroDoErro([&] {
                    MotorZip::compacta(pacote, pasta.filePath(QStringLiteral("nao_existe.mdb")), QStringLiteral("a"), 3,
                                       {});
                })
                != 0);
        QCOMPARE(le(pacote), QByteArray("pacote anterior"));

        grava(pasta.filePath(QStringLiteral("grande.mdb")), aleatorio(2 << 20, 3));
        bool interrompido = false;
        const MotorZip::Relator interrompe = [&](const EventoZip &evento) {
            if (evento.percentual >= 40)
                throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("interrompido"));
        };
        try {
            MotorZip::compacta(pacote, pasta.filePath(QStringLiteral("grande.mdb")), QStringLiteral("a"), 3,
                               interrompe);
        } catch (const ErroTavo &erro) {
            interrompido = erro.descricao() == QStringLiteral("interrompido");
        }
        QVERIFY(interrompido);
        QCOMPARE(le(pacote), QByteArray("pacote anterior"));
        QCOMPARE(arquivosDe(pasta.path()), (QStringList{QStringLiteral("grande.mdb"), QStringLiteral("p.zip")}));

        // A folder that is not there fails before anything is written.
        QCOMPARE(numeroDoErro([&] {
                     MotorZip::compacta(pasta.filePath(QStringLiteral("falta/p.zip")),
                                        pasta.filePath(QStringLiteral("grande.mdb")), QStringLiteral("a"), 3, {});
                 }),
                 76L);

        // A folder where the package would go fails only when the finished
        // package is put in place: the folder stays, and the package made
        // is not left behind.
        QVERIFY(QDir(pasta.path()).mkdir(QStringLiteral("pasta.zip")));
        QVERIFY(numeroDoErro([&] {
                    MotorZip::compacta(pasta.filePath(QStringLiteral("pasta.zip")),
                                       pasta.filePath(QStringLiteral("grande.mdb")), QStringLiteral("a"), 3, {});
                })
                != 0);
        QVERIFY(QFileInfo(pasta.filePath(QStringLiteral("pasta.zip"))).isDir());
        QCOMPARE(arquivosDe(pasta.path()), (QStringList{QStringLiteral("grande.mdb"), QStringLiteral("p.zip")}));
    }

    // One read of the file: every entry's CRC checked and the digest of the
    // file's bytes, whether the library's reads of the end, the headers and
    // the data fall in one block or several.
    void conferenciaLeOArquivoUmaVezEDaSeuResumo_data()
    {
        QTest::addColumn<QString>("forma");
        QTest::newRow("pequeno") << QStringLiteral("pequeno");
        QTest::newRow("exatamente um bloco de 1 MiB") << QStringLiteral("um bloco");
        QTest::newRow("o fim atravessa o primeiro bloco") << QStringLiteral("fim atravessa");
        QTest::newRow("cinco blocos") << QStringLiteral("cinco blocos");
        QTest::newRow("varias entradas, uma vazia") << QStringLiteral("varias");
    }
    void conferenciaLeOArquivoUmaVezEDaSeuResumo()
    {
        QFETCH(QString, forma);
        QTemporaryDir pasta;
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        QList<MotorZip::Entrada> esperadas;
        if (forma == QLatin1String("pequeno") || forma == QLatin1String("cinco blocos")) {
            const QByteArray banco = aleatorio(forma == QLatin1String("pequeno") ? 3000 : 5 << 20, 21);
            grava(pasta.filePath(QStringLiteral("mirv_dat.mdb")), banco);
            MotorZip::compacta(pacote, pasta.filePath(QStringLiteral("mirv_dat.mdb")), QStringLiteral("mirv_dat.mdb"),
                               3, {});
            esperadas = {{QStringLiteral("mirv_dat.mdb"), banco.size()}};
        } else if (forma == QLatin1String("varias")) {
            criaZip(pacote, {{"a.txt", aleatorio(70000, 22)}, {"vazio", ""}, {"c/b.mdb", QByteArray(90000, 'b')}});
            esperadas = {
                {QStringLiteral("a.txt"), 70000}, {QStringLiteral("vazio"), 0}, {QStringLiteral("c/b.mdb"), 90000}};
        } else {
            // The library reads the last 64 KiB first: here they begin in
            // the first block and end in the second, or end where it ends.
            const qint64 tamanho = forma == QLatin1String("um bloco") ? (1 << 20) : (1 << 20) + 100;
            grava(pacote, PacoteZip::deTamanho(tamanho, 23));
            esperadas = {{QStringLiteral("mirv_dat.mdb"), tamanho - 122}};
        }
        const QByteArray arquivo = le(pacote);

        const qint64 antes = SistemaTeste::bytesLidos();
        Registro registro;
        const ConferenciaPacote conferencia = MotorZip::confere(pacote, registro.relator());
        const qint64 lidos = SistemaTeste::bytesLidos() - antes;

        QVERIFY2(conferencia.integro(), qPrintable(conferencia.falha ? conferencia.falha->relato() : QString()));
        QCOMPARE(conferencia.entradas.size(), esperadas.size());
        for (qsizetype i = 0; i < esperadas.size(); ++i) {
            QCOMPARE(conferencia.entradas[i].nome, esperadas[i].nome);
            QCOMPARE(conferencia.entradas[i].tamanho, esperadas[i].tamanho);
        }
        QCOMPARE(conferencia.tamanho, arquivo.size());
        QCOMPARE(conferencia.sha256, QCryptographicHash::hash(arquivo, QCryptographicHash::Sha256));
        QVERIFY(conferencia.vale(pacote));
        QCOMPARE(registro.eventos.last(), (EventoZip{AcaoZip::Testado, QStringLiteral("p.zip"), 100}));
        const QList<int> testando = registro.percentuais(AcaoZip::Testando);
        QVERIFY(std::is_sorted(testando.cbegin(), testando.cend()));
        // The file once, and at most the two blocks kept read again; a
        // second pass for the digest would read it all twice.
        if (antes < 0)
            QSKIP("this system does not count the bytes a process reads");
        QVERIFY2(lidos >= arquivo.size() && lidos <= arquivo.size() + (2 << 20),
                 qPrintable(QStringLiteral("%1 bytes read for a file of %2").arg(lidos).arg(arquivo.size())));
    }

    // A file the check cannot trust does not raise: the result says why.
    // One written while it is read fails even when what was read was whole.
    void conferenciaDizPorQueOPacoteNaoServe_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<long>("numero");
        QTest::newRow("byte trocado nos dados") << QStringLiteral("byte") << MotorZip::ArquivoInvalido;
        QTest::newRow("alterado enquanto lido") << QStringLiteral("alterado") << MotorZip::ArquivoInvalido;
        QTest::newRow("nao existe") << QStringLiteral("ausente") << long(Erros::ArquivoNaoEncontrado);
    }
    void conferenciaDizPorQueOPacoteNaoServe()
    {
        QFETCH(QString, caso);
        QFETCH(long, numero);
        QTemporaryDir pasta;
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        QByteArray dados = PacoteZip::deTamanho(300000, 24);
        if (caso == QLatin1String("byte"))
            dados[150000] = char(dados[150000] ^ 0x01);
        if (caso != QLatin1String("ausente"))
            grava(pacote, dados);
        // Rewritten in place at its size, with a time of change of its own,
        // once the check is reading it.
        bool reescrito = false;
        const MotorZip::Relator reescreveAoTestar = [&](const EventoZip &evento) {
            if (caso != QLatin1String("alterado") || reescrito || evento.acao != AcaoZip::Testando)
                return;
            reescrito = true;
            QFile arquivo(pacote);
            QVERIFY(arquivo.open(QIODevice::ReadWrite));
            QVERIFY(arquivo.seek(200000));
            QCOMPARE(arquivo.write("outra coisa"), 11);
            QVERIFY(arquivo.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        };
        const ConferenciaPacote conferencia = MotorZip::confere(pacote, reescreveAoTestar);
        QVERIFY(!conferencia.integro());
        QCOMPARE(conferencia.falha->numero(), numero);
        QVERIFY(conferencia.sha256.isEmpty());
        QVERIFY(!conferencia.vale(pacote));
        if (caso == QLatin1String("alterado"))
            QVERIFY2(conferencia.falha->descricao().contains(QStringLiteral("alterado enquanto era lido")),
                     qPrintable(conferencia.falha->relato()));
        // What the relay raises is the caller's, not the package's.
        if (caso == QLatin1String("byte")) {
            grava(pacote, PacoteZip::deTamanho(300000, 24));
            QCOMPARE(numeroDoErro([&] {
                         MotorZip::confere(pacote, [](const EventoZip &) {
                             throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("interrompido"));
                         });
                     }),
                     long(Erros::FalhaArquivo));
        }
    }

    // A new archive is checked under its temporary name, while the old one
    // still has the name; a check that fails leaves the old one and no
    // temporary.
    void pacoteSoTomaONomeDepoisDeConferido()
    {
        QTemporaryDir pasta;
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        const QString banco = pasta.filePath(QStringLiteral("mirv_dat.mdb"));
        grava(pacote, "pacote anterior");
        grava(banco, aleatorio(400000, 25));
        QString conferido;
        const MotorZip::Conferencia recusa = [&](const QString &pronto) {
            conferido = pronto;
            QCOMPARE(le(pacote), QByteArray("pacote anterior"));
            QCOMPARE(MotorZip::testa(pronto, {}).first().tamanho, 400000);
            throw ErroTavo(MotorZip::ArquivoInvalido, QStringLiteral("recusado"));
        };
        QCOMPARE(
            numeroDoErro([&] { MotorZip::compacta(pacote, banco, QStringLiteral("mirv_dat.mdb"), 3, {}, recusa); }),
            MotorZip::ArquivoInvalido);
        QVERIFY2(QFileInfo(conferido).fileName().startsWith(QStringLiteral("~p.zip.tmp")), qPrintable(conferido));
        QCOMPARE(le(pacote), QByteArray("pacote anterior"));
        QCOMPARE(arquivosDe(pasta.path()), (QStringList{QStringLiteral("mirv_dat.mdb"), QStringLiteral("p.zip")}));
    }

    void pacoteExistenteFicaSoComOBancoAtual()
    {
        QTemporaryDir pasta;
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        criaZip(pacote, {{"outro.txt", "x"}, {"mirv_dat.mdb", "velho"}});
        grava(pasta.filePath(QStringLiteral("mirv_dat.mdb")), "novo");
        MotorZip::compacta(pacote, pasta.filePath(QStringLiteral("mirv_dat.mdb")), QStringLiteral("mirv_dat.mdb"), 3,
                           {});
        const QList<MotorZip::Entrada> entradas = MotorZip::testa(pacote, {});
        QCOMPARE(entradas.size(), 1);
        QCOMPARE(entradas.first().tamanho, 4);
    }

    void nomesPerigososSaoRecusadosAntesDeEscrever_data()
    {
        QTest::addColumn<QByteArray>("nome");
        QTest::newRow("sobe uma pasta") << QByteArray("../fora.txt");
        QTest::newRow("caminho absoluto") << QByteArray("/tmp/fora.txt");
        QTest::newRow("barra invertida absoluta") << QByteArray("\\fora.txt");
        QTest::newRow("unidade") << QByteArray("c:fora.txt");
        QTest::newRow("ponto ponto") << QByteArray("..");
        QTest::newRow("ponto") << QByteArray(".");
        QTest::newRow("pasta e ponto ponto") << QByteArray("a/..");
    }

    void nomesPerigososSaoRecusadosAntesDeEscrever()
    {
        QFETCH(QByteArray, nome);
        QTemporaryDir pasta;
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        criaZip(pacote, {{"mirv_dat.mdb", "bom"}, {nome, "mau"}});
        const QString destino = pasta.filePath(QStringLiteral("d/e"));
        QVERIFY(QDir().mkpath(destino));
        QCOMPARE(numeroDoErro([&] { MotorZip::extrai(pacote, QStringLiteral("*.*"), destino, false, {}); }),
                 MotorZip::ArquivoInvalido);
        QCOMPARE(arquivosDe(destino), QStringList());
        QCOMPARE(arquivosDe(pasta.filePath(QStringLiteral("d"))), QStringList());
    }

    void entradasEmPastasChegamComONomeSimples()
    {
        QTemporaryDir pasta;
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        criaZip(pacote, {{"c/tavo/", ""}, {"c/tavo/mirv_dat.mdb", "banco"}, {"b.txt", "b"}, {"p.zip", "eu mesmo"}});
        QCOMPARE(numeroDoErro([&] { MotorZip::extrai(pacote, QStringLiteral("*.*"), pasta.path(), false, {}); }),
                 MotorZip::ArquivoInvalido); // an entry may not replace the archive being read
        QCOMPARE(arquivosDe(pasta.path()), QStringList{QStringLiteral("p.zip")});

        criaZip(pacote, {{"c/tavo/", ""}, {"c/tavo/mirv_dat.mdb", "banco"}, {"b.txt", "b"}});
        const QString destino = pasta.filePath(QStringLiteral("saida"));
        QVERIFY(QDir().mkpath(destino));
        MotorZip::extrai(pacote, QStringLiteral("*.mdb"), destino, false, {});
        QCOMPARE(arquivosDe(destino), QStringList{QStringLiteral("mirv_dat.mdb")});
        QCOMPARE(le(destino + QStringLiteral("/mirv_dat.mdb")), QByteArray("banco"));
    }

    void arquivoDanificadoOuQueNaoEhZipEhErro_data()
    {
        QTest::addColumn<int>("dano");
        QTest::newRow("byte trocado nos dados") << 0;
        QTest::newRow("cortado") << 1;
        QTest::newRow("vazio") << 2;
        QTest::newRow("texto") << 3;
    }

    void arquivoDanificadoOuQueNaoEhZipEhErro()
    {
        QFETCH(int, dano);
        QTemporaryDir pasta;
        const QByteArray banco = aleatorio(300000, 9);
        grava(pasta.filePath(QStringLiteral("mirv_dat.mdb")), banco);
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        MotorZip::compacta(pacote, pasta.filePath(QStringLiteral("mirv_dat.mdb")), QStringLiteral("mirv_dat.mdb"), 3,
                           {});
        QByteArray dados = le(pacote);
        switch (dano) {
        case 0:
            dados[dados.size() / 2] = char(dados[dados.size() / 2] ^ 0x5a);
            break;
        case 1:
            dados.truncate(dados.size() / 2);
            break;
        case 2:
            dados.clear();
            break;
        case 3:
            dados = "isto nao e um zip";
            break;
        }
        grava(pacote, dados);
        const QString destino = pasta.filePath(QStringLiteral("saida"));
        QVERIFY(QDir().mkpath(destino));
        grava(destino + QStringLiteral("/mirv_dat.mdb"), "anterior");
        QVERIFY(numeroDoErro([&] { MotorZip::testa(pacote, {}); }) != 0);
        QVERIFY(numeroDoErro([&] { MotorZip::extrai(pacote, QStringLiteral("*.*"), destino, false, {}); }) != 0);
        // The file it would have replaced is untouched, and no temporary is left.
        QCOMPARE(arquivosDe(destino), QStringList{QStringLiteral("mirv_dat.mdb")});
        QCOMPARE(le(destino + QStringLiteral("/mirv_dat.mdb")), QByteArray("anterior"));
        QCOMPARE(numeroDoErro([&] { MotorZip::testa(pasta.filePath(QStringLiteral("nao_existe.zip")), {}); }),
                 Erros::ArquivoNaoEncontrado);
    }
    void pacoteLidoPorOutrosEmQualquerTamanho_data()
    {
        QTest::addColumn<QByteArray>("banco");
        QTest::addColumn<QByteArray>("trabalhadores");
        constexpr qint64 kBloco = 256 * 1024; // the compressor's block
        const QByteArray linhas = aleatorio(999, 12).repeated(3 * kBloco / 999 + 2);
        // The cuts at the block boundaries are the compressor's own test;
        // here the package around the stream, with and without workers.
        for (const QByteArray &trabalhadores : {QByteArray("1"), QByteArray("2")}) {
            for (const qint64 tamanho : {qint64(0), 3 * kBloco + 5})
                QTest::addRow("%lld bytes, %s", tamanho, trabalhadores.constData())
                    << linhas.left(tamanho) << trabalhadores;
        }
        // Larger than twice the 1 MiB the file's writes are gathered in: the
        // local header is written back after the data went out in pieces.
        QTest::newRow("incompressivel") << aleatorio(2500000, 13) << QByteArray("2");
    }

    void pacoteLidoPorOutrosEmQualquerTamanho()
    {
        QFETCH(QByteArray, banco);
        QFETCH(QByteArray, trabalhadores);
        QTemporaryDir pasta;
        const QString fonte = pasta.filePath(QStringLiteral("mirv_dat.mdb"));
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        grava(fonte, banco);
        Registro registro;
        qputenv("TAVO_ZIP_TRABALHADORES", trabalhadores);
        MotorZip::compacta(pacote, fonte, QStringLiteral("mirv_dat.mdb"), 3, registro.relator());
        qunsetenv("TAVO_ZIP_TRABALHADORES");
        const QList<int> zipando = registro.percentuais(AcaoZip::Zipando);
        QVERIFY(std::is_sorted(zipando.begin(), zipando.end()));
        QCOMPARE(zipando.first(), 0);
        QCOMPARE(zipando.last(), 100);
        // The local header as the library's own deflate wrote it: version
        // 2.0 to extract, no flags, deflated.
        QCOMPARE(le(pacote).mid(4, 6).toHex(), QByteArray("140000000800"));
        zip_t *zip = zip_open(QFile::encodeName(pacote).constData(), ZIP_RDONLY, nullptr);
        QVERIFY(zip);
        zip_stat_t info;
        const bool lido = zip_stat_index(zip, 0, 0, &info) == 0;
        zip_discard(zip);
        QVERIFY(lido);
        QCOMPARE(info.comp_method, ZIP_CM_DEFLATE);
        QCOMPARE(info.crc, quint32(crc32_z(0, reinterpret_cast<const Bytef *>(banco.constData()), banco.size())));
        QCOMPARE(MotorZip::testa(pacote, {}).first().tamanho, banco.size());
        // Put in place, not copied: no temporary is left, and the package
        // (the school's data) is its owner's alone, whatever the umask.
        QCOMPARE(arquivosDe(pasta.path()), (QStringList{QStringLiteral("mirv_dat.mdb"), QStringLiteral("p.zip")}));
        if (SistemaTeste::modoDeArquivoNovo())
            QCOMPARE(SistemaTeste::modo(pacote), std::optional<int>(0600));

        // Another implementation reads it back whole.
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            QSKIP("python3 is not installed: the package was checked with libzip only");
        QProcess processo;
        processo.start(python, {QStringLiteral("-c"),
                                QStringLiteral("import sys, zipfile\n"
                                               "z = zipfile.ZipFile(sys.argv[1])\n"
                                               "[e] = z.infolist()\n"
                                               "assert e.filename == 'mirv_dat.mdb'\n"
                                               "assert e.compress_type == zipfile.ZIP_DEFLATED\n"
                                               "assert z.testzip() is None\n"
                                               "assert z.read(e) == open(sys.argv[2], 'rb').read()\n"),
                                pacote, fonte});
        QVERIFY(processo.waitForFinished(60000));
        QVERIFY2(processo.exitCode() == 0, processo.readAllStandardError().constData());
    }

    void interrupcaoComVariosTrabalhadoresDeixaOPacoteAnterior_data()
    {
        QTest::addColumn<QByteArray>("trabalhadores");
        QTest::newRow("1") << QByteArray("1");
        QTest::newRow("2") << QByteArray("2");
        QTest::newRow("4") << QByteArray("4");
    }

    void interrupcaoComVariosTrabalhadoresDeixaOPacoteAnterior()
    {
        QFETCH(QByteArray, trabalhadores);
        QTemporaryDir pasta;
        const QString pacote = pasta.filePath(QStringLiteral("p.zip"));
        grava(pacote, "pacote anterior");
        grava(pasta.filePath(QStringLiteral("grande.mdb")), aleatorio(3 << 20, 14));
        const MotorZip::Relator interrompe = [&](const EventoZip &evento) {
            if (evento.percentual >= 40)
                throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("interrompido"));
        };
        qputenv("TAVO_ZIP_TRABALHADORES", trabalhadores);
        const long erro = numeroDoErro([&] {
            MotorZip::compacta(pacote, pasta.filePath(QStringLiteral("grande.mdb")), QStringLiteral("a"), 3,
                               interrompe);
        });
        qunsetenv("TAVO_ZIP_TRABALHADORES");
        QCOMPARE(erro, long(Erros::FalhaArquivo));
        QCOMPARE(le(pacote), QByteArray("pacote anterior"));
        QCOMPARE(arquivosDe(pasta.path()), (QStringList{QStringLiteral("grande.mdb"), QStringLiteral("p.zip")}));
    }
};

QTEST_GUILESS_MAIN(TstMotorZip)
#include "tst_motorZip.moc"
