// The Jet reader runs as a helper program. Whatever becomes of it (not
// there, crashing, hanging, writing without end, failing) the caller gets
// the ordinary "cannot read" error, within the reader's bounds; and the
// helper itself tells a bad command line and a foreign file by its exit code.
#include "common/Erro.h"
#include "store/LeitorJet.h"
#include "support/SistemaTeste.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

constexpr char kVariavel[] = "TAVO_LEITOR_JET";

// Points the reader lookup at another program while it lives.
class LeitorIndicado
{
public:
    explicit LeitorIndicado(const QString &caminho)
        : m_anterior(qgetenv(kVariavel))
    {
        qputenv(kVariavel, QFile::encodeName(caminho));
    }
    ~LeitorIndicado() { qputenv(kVariavel, m_anterior); }

private:
    QByteArray m_anterior;
};

// Shortens the reader's time bound while it lives.
class LimiteCurto
{
public:
    explicit LimiteCurto(std::chrono::milliseconds limite) { LeitorJet::simulaLimite(limite); }
    ~LimiteCurto() { LeitorJet::simulaLimite(std::nullopt); }
};

// A shell script standing in for the helper; `executavel` false leaves it
// without the permission to run.
QString escreveScript(const QTemporaryDir &pasta, const QByteArray &corpo, bool executavel = true)
{
    const QString caminho = pasta.filePath(QStringLiteral("leitor.sh"));
    QFile script(caminho);
    if (!script.open(QIODevice::WriteOnly) || script.write("#!/bin/sh\n" + corpo + '\n') < 0)
        return {};
    script.close();
    if (executavel)
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    return caminho;
}

} // namespace

class TstLeitorJet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leitorQueFaltaOuFalhaEhErroComum_data()
    {
        QTest::addColumn<QByteArray>("corpo"); // empty: no helper at all
        QTest::addColumn<bool>("executavel");
        QTest::addColumn<QString>("motivo");

        const QString naoEncontrado = QStringLiteral("o leitor de arquivos do Access não foi encontrado: ");
        QTest::newRow("ausente") << QByteArray() << true << naoEncontrado;
        QTest::newRow("sem permissao de execucao") << QByteArray("exit 0") << false << naoEncontrado;
        QTest::newRow("queda") << QByteArray("kill -SEGV $$") << true << QStringLiteral("o arquivo está danificado.");
        QTest::newRow("travado") << QByteArray("exec sleep 60") << true
                                 << QStringLiteral("a leitura não terminou no tempo esperado.");
        QTest::newRow("travado sem saida") << QByteArray("exec >&-; exec sleep 60") << true
                                           << QStringLiteral("a leitura não terminou no tempo esperado.");
        QTest::newRow("saida sem fim") << QByteArray("exec yes") << true
                                       << QStringLiteral("os dados lidos excedem o tamanho do arquivo");
        QTest::newRow("nao eh Jet") << QByteArray("exit 2") << true
                                    << QStringLiteral("o arquivo não é um banco de dados do Access.");
        QTest::newRow("catalogo") << QByteArray("exit 3") << true
                                  << QStringLiteral("o catálogo de tabelas está danificado.");
        QTest::newRow("tabela") << QByteArray("exit 4") << true << QStringLiteral("uma tabela está danificada.");
        QTest::newRow("codigo desconhecido")
            << QByteArray("printf 'xxxx'; exit 9") << true << QStringLiteral("falha na leitura.");
        QTest::newRow("saida incompleta")
            << QByteArray("printf '\\005\\000\\000\\000'") << true << QStringLiteral("leitura incompleta.");
    }

    void leitorQueFaltaOuFalhaEhErroComum()
    {
        QFETCH(QByteArray, corpo);
        QFETCH(bool, executavel);
        QFETCH(QString, motivo);
        if (!corpo.isEmpty() && executavel && SistemaTeste::windows())
            QSKIP("the stand-in readers are shell scripts");
        QTemporaryDir pasta;
        QVERIFY(pasta.isValid());
        const QString programa =
            corpo.isEmpty() ? pasta.filePath(QStringLiteral("nao-existe")) : escreveScript(pasta, corpo, executavel);
        QVERIFY(!programa.isEmpty());
        const QString arquivo = pasta.filePath(QStringLiteral("escola.mdb"));
        const LeitorIndicado indicado(programa);
        const LimiteCurto limite(2s);

        QElapsedTimer relogio;
        relogio.start();
        try {
            LeitorJet::tabelas(arquivo);
            QFAIL("the reader's failure was taken for a list of tables");
        } catch (const ErroTavo &erro) {
            QCOMPARE(erro.numero(), Erros::FalhaBanco);
            QCOMPARE(erro.tipo(), ErroTavo::Tipo::FormatoBancoDesconhecido);
            QVERIFY2(erro.descricao().startsWith(QStringLiteral("Não foi possível ler o banco de dados do Access '")
                                                 + arquivo + QStringLiteral("': ")),
                     qPrintable(erro.descricao()));
            QVERIFY2(erro.descricao().contains(motivo), qPrintable(erro.descricao()));
            // The program named in TAVO_LEITOR_JET is the only one looked for.
            if (motivo.endsWith(QStringLiteral("encontrado: ")))
                QVERIFY2(erro.descricao().endsWith(programa + QLatin1Char('.')), qPrintable(erro.descricao()));
        }
        QVERIFY2(relogio.elapsed() < 10 * 1000, qPrintable(QString::number(relogio.elapsed())));
    }

    void exportaPassaOsNomesComoSaoEDevolveASaida()
    {
        if (SistemaTeste::windows())
            QSKIP("the stand-in reader is a shell script");
        QTemporaryDir pasta;
        const QString programa = escreveScript(pasta, "printf '%s|' \"$@\"");
        QVERIFY(!programa.isEmpty());
        const LeitorIndicado indicado(programa);
        const QString arquivo = pasta.filePath(QStringLiteral("-escola com espaço.mdb"));
        const QByteArray saida = LeitorJet::exporta(arquivo, {QStringLiteral("Escola_local"), QStringLiteral("-x"),
                                                              QStringLiteral("Situação do aluno"), QString()});
        QCOMPARE(QString::fromUtf8(saida),
                 QStringLiteral("exporta|") + arquivo + QStringLiteral("|Escola_local|-x|Situação do aluno||"));
    }

    void leitorDizPeloCodigoOQueHouve_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<int>("codigo");

        const QString escola = QStringLiteral(TAVO_TEST_DATA "/escola_uma.mdb");
        const QString texto = QStringLiteral(TAVO_TEST_DATA "/../CMakeLists.txt");
        QTest::newRow("sem argumentos") << QStringList() << int(LeitorJet::SaidaUso);
        QTest::newRow("sem arquivo") << QStringList{QStringLiteral("tabelas")} << int(LeitorJet::SaidaUso);
        QTest::newRow("comando desconhecido")
            << QStringList{QStringLiteral("lista"), escola} << int(LeitorJet::SaidaUso);
        QTest::newRow("tabelas com sobra")
            << QStringList{QStringLiteral("tabelas"), escola, QStringLiteral("x")} << int(LeitorJet::SaidaUso);
        QTest::newRow("arquivo que falta")
            << QStringList{QStringLiteral("tabelas"), escola + QStringLiteral(".falta")} << int(LeitorJet::SaidaNaoJet);
        QTest::newRow("arquivo de texto")
            << QStringList{QStringLiteral("tabelas"), texto} << int(LeitorJet::SaidaNaoJet);
        QTest::newRow("tabela que falta")
            << QStringList{QStringLiteral("exporta"), escola, QStringLiteral("Escola_local"), QStringLiteral("Nenhuma")}
            << int(LeitorJet::SaidaTabelaIlegivel);
        QTest::newRow("tabelas") << QStringList{QStringLiteral("tabelas"), escola} << int(LeitorJet::SaidaOk);
    }

    void leitorDizPeloCodigoOQueHouve()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(int, codigo);
        const QString programa = qEnvironmentVariable(kVariavel);
        QVERIFY2(QFile::exists(programa), "TAVO_LEITOR_JET does not name the helper (run through ctest)");
        QProcess leitor;
        leitor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        leitor.start(programa, argumentos);
        QVERIFY(leitor.waitForFinished(30 * 1000));
        QCOMPARE(leitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(leitor.exitCode(), codigo);
    }
};

QTEST_GUILESS_MAIN(TstLeitorJet)
#include "tst_leitorJet.moc"
