// The platform's file calls: the error numbers they answer with, files that
// close themselves, and the layer being the only place that calls the system.
#include "common/plataforma/PlataformaArquivos.h"

#include "support/Auxiliares.h"
#include "support/SistemaTeste.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

namespace {

QByteArray texto(const char *dados, qint64 tamanho)
{
    return QByteArray(dados, tamanho);
}

} // namespace

class TstPlataformaArquivos : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void falhasDizemONumeroDoSistema()
    {
        using namespace PlataformaArquivos;
        QTemporaryDir pasta;
        const QString arquivo = pasta.filePath(QStringLiteral("existe"));
        grava(arquivo, "conteudo");
        const QString ausente = pasta.filePath(QStringLiteral("nao/existe"));
        const struct
        {
            const char *caso;
            std::function<int()> chamada;
            int esperado;
            int noWindows = -1; // Windows' own answer, where it differs
        } casos[] = {
            {"ler o que falta", [&] { return Arquivo().abreLeitura(ausente); }, ENOENT},
            {"ler sob um arquivo", [&] { return Arquivo().abreLeitura(arquivo + QStringLiteral("/x")); }, ENOTDIR,
             ENOENT},
            {"criar num nome tomado", [&] { return Arquivo().criaNovo(arquivo); }, EEXIST},
            {"criar numa pasta que falta", [&] { return Arquivo().criaNovo(ausente); }, ENOENT},
            {"pasta num nome tomado", [&] { return criaPasta(arquivo); }, EEXIST},
            {"pasta sem a de cima", [&] { return criaPasta(ausente); }, ENOENT},
            {"apagar o que falta", [&] { return removeArquivo(ausente); }, ENOENT},
            {"renomear o que falta", [&] { return renomeia(ausente, arquivo); }, ENOENT},
            {"pasta nova", [&] { return criaPasta(pasta.filePath(QStringLiteral("nova"))); }, 0},
            {"dar aos usuários", [&] { return concedeAosUsuarios(pasta.path()); }, 0},
            {"dar aos usuários o que falta", [&] { return concedeAosUsuarios(ausente); }, 0, ENOENT},
        };
        const bool windows = SistemaTeste::windows();
        for (const auto &caso : casos)
            QVERIFY2(caso.chamada() == (windows && caso.noWindows >= 0 ? caso.noWindows : caso.esperado), caso.caso);
        QCOMPARE(le(arquivo), QByteArray("conteudo"));
        QVERIFY(QFileInfo(pasta.filePath(QStringLiteral("nova"))).isDir());
    }

    void leituraNumaPosicaoNaoMoveALeituraSeguida()
    {
        QTemporaryDir pasta;
        grava(pasta.filePath(QStringLiteral("a")), "0123456789");
        PlataformaArquivos::Arquivo arquivo;
        QCOMPARE(arquivo.abreLeitura(pasta.filePath(QStringLiteral("a"))), 0);
        char dados[16];
        qint64 lidos = -1;
        QCOMPARE(arquivo.leEm(4, dados, 3, lidos), 0);
        QCOMPARE(texto(dados, lidos), QByteArray("456"));
        QCOMPARE(arquivo.le(dados, 4, lidos), 0);
        QCOMPARE(texto(dados, lidos), QByteArray("0123"));
        QCOMPARE(arquivo.leEm(8, dados, sizeof dados, lidos), 0);
        QCOMPARE(texto(dados, lidos), QByteArray("89"));
        QCOMPARE(arquivo.leEm(10, dados, sizeof dados, lidos), 0);
        QCOMPARE(lidos, 0);
        QCOMPARE(arquivo.le(dados, sizeof dados, lidos), 0);
        QCOMPARE(texto(dados, lidos), QByteArray("456789"));
        QCOMPARE(arquivo.le(dados, sizeof dados, lidos), 0);
        QCOMPARE(lidos, 0);
    }

    void escritaNumaPosicaoNaoMoveAEscritaSeguida()
    {
        QTemporaryDir pasta;
        const QString caminho = pasta.filePath(QStringLiteral("a"));
        PlataformaArquivos::Arquivo arquivo;
        QCOMPARE(arquivo.criaNovo(caminho), 0);
        QCOMPARE(arquivo.escreve("0123456789", 10), 0);
        QCOMPARE(arquivo.escreveEm(2, "ab", 2), 0);
        QCOMPARE(arquivo.escreve("Z", 1), 0);
        // Past the end: the gap reads as zeros.
        QCOMPARE(arquivo.escreveEm(13, "q", 1), 0);
        QCOMPARE(arquivo.fecha(), 0);
        QCOMPARE(le(caminho), QByteArray("01ab456789Z\0\0q", 14));
    }

    void arquivoQueNaoSincronizaNaoEhFalha()
    {
        PlataformaArquivos::Arquivo dispositivo;
        if (dispositivo.abreLeitura(QStringLiteral("/dev/null")) != 0)
            QSKIP("no /dev/null here");
        QCOMPARE(dispositivo.descarrega(), 0);
    }

    void arquivoSeFechaSozinhoTambemQuandoPassado()
    {
        const int antes = SistemaTeste::descritoresAbertos();
        if (antes < 0)
            QSKIP("the system does not list this process's descriptors");
        QTemporaryDir pasta;
        grava(pasta.filePath(QStringLiteral("a")), "a");
        grava(pasta.filePath(QStringLiteral("b")), "b");
        {
            PlataformaArquivos::Arquivo primeiro;
            QCOMPARE(primeiro.abreLeitura(pasta.filePath(QStringLiteral("a"))), 0);
            PlataformaArquivos::Arquivo segundo(std::move(primeiro));
            QVERIFY(!primeiro.aberto() && segundo.aberto());
            PlataformaArquivos::Arquivo terceiro;
            QCOMPARE(terceiro.abreLeitura(pasta.filePath(QStringLiteral("b"))), 0);
            // Opening again lets the first file go, and taking another lets the second go.
            QCOMPARE(terceiro.abreLeitura(pasta.filePath(QStringLiteral("a"))), 0);
            terceiro = std::move(segundo);
            QCOMPARE(SistemaTeste::descritoresAbertos(), antes + 1);
            char c;
            qint64 lidos = 0;
            QCOMPARE(terceiro.le(&c, 1, lidos), 0);
            QCOMPARE(texto(&c, lidos), QByteArray("a"));
        }
        QCOMPARE(SistemaTeste::descritoresAbertos(), antes);
    }

    // One open file holds a lock file at a time, in this process too; the
    // holder's content replaces what was there, and closing lets go.
    void travaTemUmDonoPorVez()
    {
        QTemporaryDir pasta;
        const QString trava = pasta.filePath(QStringLiteral("x.lock"));
        grava(trava, "conteúdo de um dono antigo, mais longo\n");
        PlataformaArquivos::Arquivo primeiro;
        QCOMPARE(primeiro.abreTrava(trava, "1\n"), 0);
        QCOMPARE(le(trava), QByteArray("1\n"));
        PlataformaArquivos::Arquivo segundo;
        QCOMPARE(segundo.abreTrava(trava, "2\n"), EWOULDBLOCK);
        QVERIFY(!segundo.aberto());
        QCOMPARE(le(trava), QByteArray("1\n"));
        // The holder lets go (on Linux removing its file first): the next one
        // takes it.
        primeiro.largaTrava(trava);
        QVERIFY(!primeiro.aberto());
        QCOMPARE(segundo.abreTrava(trava, "2\n"), 0);
        QCOMPARE(le(trava), QByteArray("2\n"));
        PlataformaArquivos::Arquivo semPasta;
        QCOMPARE(semPasta.abreTrava(pasta.filePath(QStringLiteral("falta/x.lock")), "3\n"), ENOENT);
        QVERIFY(!semPasta.aberto());
    }

    // Windows: the ACLs that let every user of the PC modify a folder and
    // what is made inside it. Wine keeps no ACL but a file's mode, so the
    // rule is read from SDDL text; a real folder is read too.
    void usuariosModificamPelaAcl_data()
    {
        QTest::addColumn<QString>("sddl");
        QTest::addColumn<int>("modificam"); // 1, 0, or -1 when it cannot be read
        QTest::newRow("icacls /grant *S-1-5-32-545:(OI)(CI)M") << "D:(A;OICI;0x1301bf;;;BU)" << 1;
        QTest::newRow("everyone, full control") << "D:(A;OICI;FA;;;WD)" << 1;
        QTest::newRow("authenticated users, generic all") << "D:(A;OICI;GA;;;AU)" << 1;
        QTest::newRow("the folder and what inherits, apart")
            << "D:(A;;0x1301bf;;;BU)(A;OICIIO;GA;;;BU)(A;OICI;FA;;;SY)" << 1;
        QTest::newRow("ProgramData's own: read, run, create")
            << "D:(A;OICI;0x1200a9;;;BU)(A;CI;0x116;;;BU)(A;OICI;FA;;;SY)" << 0;
        QTest::newRow("files made inside do not inherit") << "D:(A;CI;0x1301bf;;;BU)" << 0;
        QTest::newRow("only what is made inside") << "D:(A;OICIIO;0x1301bf;;;BU)" << 0;
        QTest::newRow("one user only") << "D:(A;OICI;FA;;;S-1-5-21-1-2-3-1001)" << 0;
        QTest::newRow("empty DACL") << "D:" << 0;
        QTest::newRow("not SDDL") << "D:(talvez)" << -1;
    }
    void usuariosModificamPelaAcl()
    {
        if (!SistemaTeste::windows())
            QSKIP("Linux shares a folder by its group, not by an ACL");
        QFETCH(QString, sddl);
        QFETCH(int, modificam);
        const std::optional<bool> lido = PlataformaArquivos::usuariosModificamNaAcl(sddl);
        QCOMPARE(lido ? int(*lido) : -1, modificam);
        QTemporaryDir pasta;
        QVERIFY(PlataformaArquivos::usuariosModificam(pasta.path()).has_value());
        QVERIFY(!PlataformaArquivos::usuariosModificam(pasta.filePath(QStringLiteral("falta"))).has_value());
        QVERIFY(PlataformaArquivos::comandoQueConcede(QStringLiteral("C:/temp_tavo"))
                == QStringLiteral("icacls \"C:\\temp_tavo\" /grant *S-1-5-32-545:(OI)(CI)M"));
    }

    // The machine's files are trusted on Windows only when the system and
    // its administrators alone may have written them (the owner and the
    // DACL, as SDDL text; S-1-5-21-7-8-9-500 is an administrator).
    void arquivoDaMaquina_data()
    {
        QTest::addColumn<QString>("sddl");
        QTest::addColumn<int>("daMaquina");
        QTest::newRow("installed: SYSTEM and Administrators, Users read")
            << "O:SYD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)" << 1;
        QTest::newRow("owner: the Administrators") << "O:BAD:(A;;FA;;;BA)(A;;0x1200a9;;;BU)" << 1;
        QTest::newRow("owner: an administrator")
            << "O:S-1-5-21-7-8-9-500D:(A;;FA;;;S-1-5-21-7-8-9-500)(A;;0x1200a9;;;BU)" << 1;
        QTest::newRow("owner: another user") << "O:S-1-5-21-7-8-9-1002D:(A;;FA;;;SY)" << 0;
        QTest::newRow("owner: Users") << "O:BUD:(A;;FA;;;SY)" << 0;
        QTest::newRow("Users write") << "O:SYD:(A;;FA;;;SY)(A;;0x1301bf;;;BU)" << 0;
        QTest::newRow("Users append") << "O:SYD:(A;;FA;;;SY)(A;;0x100004;;;BU)" << 0;
        QTest::newRow("authenticated users change the ACL") << "O:SYD:(A;;FA;;;SY)(A;;WD;;;AU)" << 0;
        QTest::newRow("one user may delete") << "O:SYD:(A;;FA;;;SY)(A;;SD;;;S-1-5-21-7-8-9-1002)" << 0;
        QTest::newRow("everyone, generic all") << "O:SYD:(A;;GA;;;WD)" << 0;
        QTest::newRow("only for what is made inside") << "O:SYD:(A;;FA;;;SY)(A;OICIIO;GA;;;CO)(A;OICIIO;FA;;;BU)" << 1;
        QTest::newRow("a denial gives nothing") << "O:SYD:(D;;FA;;;BU)(A;;FA;;;SY)" << 1;
        QTest::newRow("OWNER RIGHTS") << "O:BAD:(A;;FA;;;OW)" << 1;
        QTest::newRow("no DACL: open to everyone") << "O:SY" << 0;
        QTest::newRow("not SDDL") << "D:(talvez)" << -1;
    }
    void arquivoDaMaquina()
    {
        if (!SistemaTeste::windows())
            QSKIP("Linux: the machine's files are in /etc, root's");
        QFETCH(QString, sddl);
        QFETCH(int, daMaquina);
        const std::optional<bool> lido =
            PlataformaArquivos::daMaquinaNoDescritor(sddl, {QStringLiteral("S-1-5-21-7-8-9-500")});
        QCOMPARE(lido ? int(*lido) : -1, daMaquina);
        // Wine's user is an administrator: a file it made passes.
        QTemporaryDir pasta;
        const QString arquivo = pasta.filePath(QStringLiteral("tavo-upload.conf"));
        grava(arquivo, "[servidor]\n");
        QVERIFY(PlataformaArquivos::daMaquina(arquivo));
    }

    // Whose link is followed on Windows, by its owner's SID (this user's
    // below, and the program folder's owner's).
    void donoDeAtalhoConfiavel_data()
    {
        QTest::addColumn<QString>("dono");
        QTest::addColumn<bool>("confiavel");
        QTest::newRow("this user") << "S-1-5-21-7-8-9-1001" << true;
        QTest::newRow("Administrators") << "S-1-5-32-544" << true;
        QTest::newRow("SYSTEM") << "S-1-5-18" << true;
        QTest::newRow("the program folder's owner") << "S-1-5-21-7-8-9-500" << true;
        QTest::newRow("another user") << "S-1-5-21-7-8-9-1002" << false;
        QTest::newRow("Users") << "S-1-5-32-545" << false;
        QTest::newRow("Everyone") << "S-1-1-0" << false;
        QTest::newRow("anonymous (Wine: another Unix account)") << "S-1-5-7" << false;
        QTest::newRow("owner not read") << "" << false;
    }
    void donoDeAtalhoConfiavel()
    {
        QFETCH(QString, dono);
        QFETCH(bool, confiavel);
        const QString usuario = QStringLiteral("S-1-5-21-7-8-9-1001");
        const QString donoPasta = QStringLiteral("S-1-5-21-7-8-9-500");
        QCOMPARE(PlataformaArquivos::donoConfiavel(dono, usuario, donoPasta), confiavel);
        // The folder's owner not known (not asked yet): only this user and the system.
        QCOMPARE(PlataformaArquivos::donoConfiavel(dono, usuario, QString()), confiavel && dono != donoPasta);
    }

    // A folder name another account made a link to a folder (this test's):
    // nothing is read, made, written or removed through it, and the link is
    // removed as itself (or, where the system opens only its target, not at
    // all: EPERM).
    void atalhoDeOutraContaEhRecusado()
    {
        using namespace PlataformaArquivos;
        QTemporaryDir pasta;
        const QString alvo = pasta.filePath(QStringLiteral("alvo"));
        QVERIFY(QDir().mkdir(alvo));
        grava(alvo + QStringLiteral("/dados"), "do alvo");
        const QString atalho = pasta.filePath(QStringLiteral("atalho"));
        if (const QString porque = SistemaTeste::plantaAtalhoAlheio(atalho, alvo); !porque.isEmpty())
            QSKIP(qPrintable(porque));
        const QString dentro = atalho + QStringLiteral("/dados");
        const std::function<int()> chamadas[] = {
            [&] { return Arquivo().abreLeitura(dentro); },
            [&] { return Arquivo().criaNovo(atalho + QStringLiteral("/novo")); },
            [&] { return Arquivo().abreAcrescimo(dentro); },
            [&] { return Arquivo().abreTrava(atalho + QStringLiteral("/x.lock"), "1\n"); },
            [&] { return criaPasta(atalho + QStringLiteral("/nova")); },
            [&] { return removeArquivo(dentro); },
            [&] { return renomeia(dentro, pasta.filePath(QStringLiteral("levado"))); },
            [&] { return confere(dentro); },
        };
        const quint64 antes = recusasDeAtalho();
        for (std::size_t i = 0; i < std::size(chamadas); ++i) {
            QCOMPARE(chamadas[i](), AtalhoAlheio);
            QCOMPARE(QDir::fromNativeSeparators(atalhoRecusado()), atalho);
        }
        QCOMPARE(recusasDeAtalho(), antes + std::size(chamadas));
        const int removido = removeArquivo(atalho);
        QVERIFY2(removido == 0 || removido == EPERM, qPrintable(textoDoSistema(removido)));
        QCOMPARE(QDir(pasta.path()).entryList(QDir::AllEntries | QDir::System).contains(QStringLiteral("atalho")),
                 removido != 0);
        QCOMPARE(QDir(alvo).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("dados")});
        QVERIFY(removido == 0 || SistemaTeste::arrancaAtalho(atalho));
    }

    // A file being replaced that another program reads for a moment (a
    // console command, on Windows, which refuses the replacement meanwhile).
    void substituiEsperaQuemLeOArquivo()
    {
        QTemporaryDir pasta;
        const QString destino = pasta.filePath(QStringLiteral("UploadCliente.mdb"));
        grava(destino, "antigo");
        grava(destino + QStringLiteral(".novo"), "novo");
        QFile leitor(destino);
        QVERIFY(leitor.open(QIODevice::ReadOnly));
        std::jthread solta([&leitor] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            leitor.close();
        });
        QVERIFY_THROWS_NO_EXCEPTION(PlataformaArquivos::substitui(destino + QStringLiteral(".novo"), destino));
        QCOMPARE(le(destino), QByteArray("novo"));
    }

    void linkParaNadaNaoEhSomenteLeituraESeApaga()
    {
        QTemporaryDir pasta;
        const QString solto = pasta.filePath(QStringLiteral("solto"));
        QVERIFY(QFile::link(pasta.filePath(QStringLiteral("falta")), solto));
        QVERIFY(!PlataformaArquivos::somenteLeitura(solto));
        QCOMPARE(PlataformaArquivos::removeArquivo(solto), 0);
        QVERIFY(!QFileInfo(solto).isSymLink());
    }

    // The identity tells a file from itself changed: a time of change a tenth
    // of a microsecond apart (Windows' step), another size, another file put in its place. Reading
    // it, by name or through an open handle, changes nothing.
    void identidadeMudaComOArquivo()
    {
        using namespace PlataformaArquivos;
        QTemporaryDir pasta;
        const QString caminho = pasta.filePath(QStringLiteral("banco"));
        grava(caminho, "0123456789");
        const auto poeHora = [&](long nanossegundos) {
            QVERIFY(SistemaTeste::poeHoraModificacao(caminho, 1700000000, nanossegundos));
        };
        poeHora(100);
        Identidade anterior;
        QCOMPARE(identidade(caminho, anterior), 0);
        QCOMPARE(anterior.tamanho, 10);
        QCOMPARE(anterior.modificadoNs, 1700000000LL * 1000000000 + 100);
        Arquivo aberto;
        QCOMPARE(aberto.abreLeitura(caminho), 0);
        Identidade lida;
        QCOMPARE(aberto.identidade(lida), 0);
        QVERIFY(lida == anterior);
        // Windows does not put a file in place of one that is open.
        const bool substituiAberto = SistemaTeste::substituiArquivoAberto();
        if (!substituiAberto)
            QCOMPARE(aberto.fecha(), 0);

        const struct
        {
            const char *caso;
            std::function<void()> muda;
        } casos[] = {
            {"um instante depois", [&] { poeHora(200); }},
            {"cortado", [&] { QVERIFY(QFile::resize(caminho, 4)); }},
            {"outro arquivo no lugar",
             [&] {
                 grava(caminho + QStringLiteral(".novo"), "0123");
                 QCOMPARE(renomeia(caminho + QStringLiteral(".novo"), caminho), 0);
                 poeHora(200);
             }},
        };
        for (const auto &caso : casos) {
            caso.muda();
            Identidade agora;
            QCOMPARE(identidade(caminho, agora), 0);
            QVERIFY2(!(agora == anterior), caso.caso);
            anterior = agora;
        }
        // The open handle still reads the file it opened.
        if (substituiAberto) {
            QCOMPARE(aberto.identidade(lida), 0);
            QVERIFY(lida.numero != anterior.numero);
        }
        Identidade nenhuma;
        QCOMPARE(identidade(pasta.filePath(QStringLiteral("falta")), nenhuma), ENOENT);
    }

    // Only src/common/plataforma/ calls the system, POSIX or Windows;
    // everything else speaks Qt and the standard library.
    void soACamadaDePlataformaChamaOSistema()
    {
        const QDir fontes(QStringLiteral(TAVO_TEST_DATA "/../../src"));
        QVERIFY(fontes.exists(QStringLiteral("common/plataforma/PlataformaArquivos_posix.cpp")));
        static const QRegularExpression proibido(
            QStringLiteral(
                R"(^\s*#\s*include\s*<((unistd|fcntl|poll|signal|pwd|dirent|termios|spawn|windows|winsock2|ws2tcpip|mstcpip|shlobj|shellapi|aclapi|io)\.h|(sys|arpa|netinet|linux)/[^>]+)>)"),
            QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
        QStringList infratores;
        QDirIterator arquivos(fontes.path(), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                              QDirIterator::Subdirectories);
        while (arquivos.hasNext()) {
            const QString caminho = arquivos.next();
            const QString relativo = fontes.relativeFilePath(caminho);
            if (relativo.startsWith(QLatin1String("common/plataforma/")))
                continue;
            const QRegularExpressionMatch achado = proibido.match(QString::fromUtf8(le(caminho)));
            if (achado.hasMatch())
                infratores.append(relativo + QStringLiteral(": ") + achado.captured(1));
        }
        QVERIFY2(infratores.isEmpty(), qPrintable(infratores.join(QStringLiteral(", "))));
    }
};

QTEST_GUILESS_MAIN(TstPlataformaArquivos)
#include "tst_plataformaArquivos.moc"
