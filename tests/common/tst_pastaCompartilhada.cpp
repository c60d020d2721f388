// The user's home without HOME (a run from cron, a service), and a program
// folder an office's group shares: what one user makes there, the others
// write.
#include "common/Instalacao.h"

#include "support/AmbienteTeste.h"
#include "support/ExecucaoPrograma.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString saidaDe(const QString &programa, const QStringList &argumentos)
{
    const Execucao execucao =
        executaPrograma(programa, argumentos, QProcessEnvironment::systemEnvironment(), 10000, QStringLiteral("/"));
    return execucao.codigo == 0 ? execucao.saida.trimmed() : QString();
}

// The home the password database gives this process's account.
QString pastaDaConta()
{
    const QString uid = saidaDe(QStringLiteral("id"), {QStringLiteral("-u")});
    return saidaDe(QStringLiteral("getent"), {QStringLiteral("passwd"), uid}).section(QLatin1Char(':'), 5, 5);
}

// The environment of a client with no home nor folder of its own given.
QProcessEnvironment semPastas(const AmbienteTeste &ambiente)
{
    QProcessEnvironment variaveis = QProcessEnvironment::systemEnvironment();
    for (const char *nome : {"HOME", "TAVO_ROOT", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        variaveis.remove(QLatin1String(nome));
    variaveis.insert(QStringLiteral("TAVO_CONF_SISTEMA"), ambiente.pastaSistema());
    return variaveis;
}

bool comoRoot()
{
    return saidaDe(QStringLiteral("id"), {QStringLiteral("-u")}) == QLatin1String("0");
}

} // namespace

class TstPastaCompartilhada : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void semHomeAPastaVemDaConta_data()
    {
        QTest::addColumn<QByteArray>("home"); // "<none>": unset
        QTest::newRow("sem HOME") << QByteArray("<none>");
        QTest::newRow("HOME vazio") << QByteArray("");
        QTest::newRow("HOME na raiz") << QByteArray("/");
    }
    void semHomeAPastaVemDaConta()
    {
        QFETCH(QByteArray, home);
        const QString conta = pastaDaConta();
        if (conta.isEmpty() || conta == QLatin1String("/"))
            QSKIP("this account has no home of its own in the password database");
        AmbienteTeste ambiente(false);
        const QByteArray antes = qgetenv("HOME");
        for (const char *nome : {"TAVO_ROOT", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            qunsetenv(nome);
        if (home == "<none>")
            qunsetenv("HOME");
        else
            qputenv("HOME", home);
        // Read as a start reads it: a folder that needs a home it lacks is refused.
        const Instalacao instalacao = instalacaoAtual();
        const QString programa = instalacao.pastaPrograma();
        const QString usuario = instalacao.arquivoUsuario();
        qputenv("HOME", antes);
        QCOMPARE(programa, conta + QStringLiteral("/.local/share/tavo-upload"));
        QCOMPARE(usuario, conta + QStringLiteral("/.config/tavo-upload/tavo-upload.conf"));
    }

    // An account the password database does not know, without HOME: the
    // start is refused with the reason, and nothing is made at the root.
    void contaSemPastaPessoalNaoCriaNadaNaRaiz()
    {
        if (!comoRoot())
            QSKIP("running as another account needs root");
        AmbienteTeste ambiente(false);
        const QString programa = QStringLiteral(TAVO_CLIENTE_CONTA);
        const Execucao execucao = executaPrograma(QStringLiteral("setpriv"),
                                                  {QStringLiteral("--reuid=54321"), QStringLiteral("--regid=54321"),
                                                   QStringLiteral("--clear-groups"), programa, QStringLiteral("x.zip")},
                                                  semPastas(ambiente), 30000, QStringLiteral("/"));
        QCOMPARE(execucao.codigo, 3);
        QVERIFY2(execucao.erros.startsWith(QStringLiteral("Não foi possível determinar a pasta pessoal do usuário")),
                 qPrintable(execucao.erros));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/.local")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/.config")));
    }

    // A folder shared by the group "users" (set-group-ID): the first client,
    // as root, makes the database, the log and the lock there; the second,
    // "nobody" in that group, records a send of its own.
    void segundoUsuarioDoGrupoRegistraEnvio()
    {
        if (!comoRoot())
            QSKIP("making a folder of a group and running as another account needs root");
        if (saidaDe(QStringLiteral("getent"), {QStringLiteral("group"), QStringLiteral("users")}).isEmpty()
            || saidaDe(QStringLiteral("getent"), {QStringLiteral("passwd"), QStringLiteral("nobody")}).isEmpty())
            QSKIP("no group \"users\" or no account \"nobody\" on this machine");
        const QString programa = QStringLiteral(TAVO_CLIENTE_CONTA);
        AmbienteTeste ambiente(false);
        QTemporaryDir base(QStringLiteral("/tmp/tavo-grupo-XXXXXX"));
        QVERIFY(base.isValid());
        const QString pasta = base.path() + QStringLiteral("/escritorio");
        QVERIFY(QDir().mkpath(pasta));
        QCOMPARE(QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("755"), base.path()}), 0);
        QCOMPARE(QProcess::execute(QStringLiteral("chgrp"), {QStringLiteral("users"), pasta}), 0);
        QCOMPARE(QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("2775"), pasta}), 0);
        if (executaPrograma(QStringLiteral("setpriv"),
                            comoNinguem() << QStringLiteral("test") << QStringLiteral("-x") << programa,
                            QProcessEnvironment::systemEnvironment(), 10000, QStringLiteral("/"))
                .codigo
            != 0)
            QSKIP("the account nobody cannot run the test's client from this build folder");

        QProcessEnvironment variaveis = semPastas(ambiente);
        variaveis.insert(QStringLiteral("TAVO_ROOT"), pasta);
        const Execucao primeiro =
            executaPrograma(programa, {QStringLiteral("primeiro.zip")}, variaveis, 30000, QStringLiteral("/"));
        QVERIFY2(primeiro.codigo == 0, qPrintable(primeiro.erros));

        // Everything the client made is the group's, and the group writes it;
        // the school's data are no one else's (the lock only says who holds it).
        QStringList feitos;
        QDirIterator itens(pasta, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (itens.hasNext()) {
            const QFileInfo item(itens.next());
            feitos.append(item.fileName());
            QVERIFY2(item.group() == QLatin1String("users"), qPrintable(item.filePath()));
            QVERIFY2(item.permissions() & QFile::WriteGroup, qPrintable(item.filePath()));
            QVERIFY2(item.isDir() || item.fileName().endsWith(QLatin1String(".lock"))
                         || !(item.permissions() & (QFile::ReadOther | QFile::WriteOther)),
                     qPrintable(item.filePath()));
        }
        QVERIFY2(feitos.contains(QStringLiteral("UploadCliente.mdb")), qPrintable(feitos.join(u' ')));
        QVERIFY2(feitos.contains(QStringLiteral("tavo-upload.log")), qPrintable(feitos.join(u' ')));

        const Execucao segundo =
            executaPrograma(QStringLiteral("setpriv"),
                            {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                             QStringLiteral("--groups=users"), programa, QStringLiteral("segundo.zip")},
                            variaveis, 30000, QStringLiteral("/"));
        QVERIFY2(segundo.codigo == 0, qPrintable(segundo.erros));
        qputenv("TAVO_ROOT", pasta.toUtf8());
        QCOMPARE(ambiente.valor(QStringLiteral("select group_concat(Nome_arquivo, ' ') from (select Nome_arquivo"
                                               " from Historico order by Nome_arquivo)")),
                 QStringLiteral("primeiro.zip segundo.zip"));
        QCOMPARE(ambiente.valor(QStringLiteral("select count(*) from recibo_envio")), QStringLiteral("2"));
    }
};

QTEST_GUILESS_MAIN(TstPastaCompartilhada)
#include "tst_pastaCompartilhada.moc"
