// The log: each category's lines in the file with their moment, category and
// level; the file's cap and rotation, also with several processes writing at
// once and with a rotation that cannot be done; standard error only where it
// is asked for; a folder that cannot take the log; and the cause of a job's
// failure, which the user's message leaves out, found in the log.
#include "common/Caminhos.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "package/ArquivosTrabalho.h"
#include "package/ExportacaoDisquete.h"
#include "package/GeracaoPacote.h"
#include "package/modAddZip.h"
#include "store/GravacaoConfiguracao.h"
#include "store/LeitorJet.h"
#include "transfer/Espera.h"
#include "transfer/SessaoTransferencia.h"

#include "support/AmbienteTeste.h"
#include "support/Anotador.h"
#include "support/Auxiliares.h"
#include "support/PacoteZip.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

using Categoria = const QLoggingCategory &(*)();

// The messages that reach the handler the log stands in front of (standard
// error, in the programs), while this lives.
class Gravador
{
public:
    Gravador() { s_anterior = qInstallMessageHandler(grava); }
    ~Gravador() { qInstallMessageHandler(s_anterior); }
    Gravador(const Gravador &) = delete;
    Gravador &operator=(const Gravador &) = delete;
    static inline QStringList recebidas;

private:
    static void grava(QtMsgType, const QMessageLogContext &contexto, const QString &texto)
    {
        recebidas.append(QString::fromLatin1(contexto.category ? contexto.category : "") + QStringLiteral(": ")
                         + texto);
    }
    static inline QtMessageHandler s_anterior = nullptr;
};

QStringList linhas(const QString &arquivo)
{
    return QString::fromUtf8(le(arquivo)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

Log::Destino destino(const QString &pasta, Log::Eco eco = Log::Eco::Nenhum)
{
    Log::Destino d;
    d.pasta = pasta;
    d.eco = eco;
    return d;
}

} // namespace

class TstLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cadaCategoriaChegaAoArquivoComMomentoCategoriaENivel_data()
    {
        QTest::addColumn<int>("categoria");
        QTest::addColumn<int>("tipo");
        QTest::addColumn<bool>("depuracao"); // the destination turns debug lines on
        QTest::addColumn<QString>("mensagem");
        QTest::addColumn<QString>("linha"); // what follows the process in the file; empty: no line
        const char *nomes[] = {"tavo.app",   "tavo.store",    "tavo.jet",    "tavo.zip",
                               "tavo.media", "tavo.transfer", "tavo.history"};
        for (int i = 0; i < 7; ++i)
            QTest::addRow("%s warning", nomes[i]) << i << int(QtWarningMsg) << false << QStringLiteral("causa")
                                                  << QStringLiteral("warning %1: causa").arg(QLatin1String(nomes[i]));
        QTest::newRow("info") << 5 << int(QtInfoMsg) << false << QStringLiteral("início")
                              << QStringLiteral("info tavo.transfer: início");
        QTest::newRow("critical") << 1 << int(QtCriticalMsg) << false << QStringLiteral("grave")
                                  << QStringLiteral("critical tavo.store: grave");
        QTest::newRow("debug, não pedido") << 3 << int(QtDebugMsg) << false << QStringLiteral("detalhe") << QString();
        QTest::newRow("debug, pedido") << 3 << int(QtDebugMsg) << true << QStringLiteral("detalhe")
                                       << QStringLiteral("debug tavo.zip: detalhe");
        QTest::newRow("várias linhas numa só")
            << 2 << int(QtWarningMsg) << false << QStringLiteral("leitor disse:\r\noffset 8192\nsem tabela\x01!\n")
            << QStringLiteral("warning tavo.jet: leitor disse: | offset 8192 | sem tabela !");
    }
    void cadaCategoriaChegaAoArquivoComMomentoCategoriaENivel()
    {
        QFETCH(int, categoria);
        QFETCH(int, tipo);
        QFETCH(bool, depuracao);
        QFETCH(QString, mensagem);
        QFETCH(QString, linha);
        const Categoria categorias[] = {lcPrograma, lcBanco, lcJet, lcZip, lcMidia, lcTransferencia, lcHistorico};
        QTemporaryDir pasta;
        // The folder is made at the first line.
        const QString subpasta = pasta.path() + QStringLiteral("/nova/pasta");
        {
            Log::Destino d = destino(subpasta);
            d.depuracao = depuracao;
            const Log::Instalacao log(d);
            switch (QtMsgType(tipo)) {
            case QtDebugMsg:
                qCDebug(categorias[categoria]).noquote() << mensagem;
                break;
            case QtInfoMsg:
                qCInfo(categorias[categoria]).noquote() << mensagem;
                break;
            case QtWarningMsg:
                qCWarning(categorias[categoria]).noquote() << mensagem;
                break;
            default:
                qCCritical(categorias[categoria]).noquote() << mensagem;
                break;
            }
        }
        const QStringList escritas = linhas(Log::arquivo(subpasta));
        // The installation's own first and last lines, and the message's.
        QCOMPARE(escritas.size(), linha.isEmpty() ? 2 : 3);
        QVERIFY2(escritas.first().contains(QStringLiteral(" info tavo.app: ")), qPrintable(escritas.first()));
        QVERIFY(escritas.last().endsWith(QStringLiteral(" info tavo.app: ended")));
        if (linha.isEmpty())
            return;
        static const QRegularExpression forma(
            QStringLiteral(R"(^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3})(Z|[+-]\d\d:\d\d) tst_log\[(\d+)\] (.*)$)"));
        const QRegularExpressionMatch partes = forma.match(escritas.at(1));
        QVERIFY2(partes.hasMatch(), qPrintable(escritas.at(1)));
        QCOMPARE(partes.captured(3).toLongLong(), QCoreApplication::applicationPid());
        QCOMPARE(partes.captured(4), linha);
        const QDateTime momento = QDateTime::fromString(partes.captured(1) + partes.captured(2), Qt::ISODateWithMs);
        QVERIFY(momento.isValid());
        QVERIFY(qAbs(momento.secsTo(QDateTime::currentDateTime())) < 60);
    }

    // The cap holds for every file; writing past it keeps the configured
    // number of files, the newest lines in the current one, no line lost
    // between the files kept.
    void arquivoLimitadoERotacionado_data()
    {
        QTest::addColumn<qint64>("limite");
        QTest::addColumn<int>("arquivos");
        QTest::newRow("três de 400 bytes") << qint64(400) << 3;
        QTest::newRow("dois de 1000 bytes") << qint64(1000) << 2;
        QTest::newRow("um só") << qint64(300) << 1;
    }
    void arquivoLimitadoERotacionado()
    {
        QFETCH(qint64, limite);
        QFETCH(int, arquivos);
        QTemporaryDir pasta;
        {
            Log::Destino d = destino(pasta.path());
            d.limite = limite;
            d.arquivos = arquivos;
            const Log::Instalacao log(d);
            for (int i = 0; i < 200; ++i)
                qCInfo(lcZip).noquote() << QStringLiteral("linha %1").arg(i, 3, 10, QLatin1Char('0'));
            // A line longer than the cap is cut to it, never inside a character.
            qCWarning(lcZip).noquote() << QString(2 * limite, QChar(0x00e7));
            qCInfo(lcZip).noquote() << QStringLiteral("linha 200");
        }
        QVERIFY(!QFileInfo::exists(Log::arquivo(pasta.path(), arquivos)));
        QStringList numeros;
        bool cortada = false;
        for (int n = arquivos - 1; n >= 0; --n) {
            const QString arquivo = Log::arquivo(pasta.path(), n);
            QVERIFY2(QFileInfo::exists(arquivo), qPrintable(arquivo));
            QVERIFY2(QFileInfo(arquivo).size() <= limite, qPrintable(arquivo));
            const QByteArray bytes = le(arquivo);
            QVERIFY(bytes.endsWith('\n'));
            QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes); // whole characters only
            for (const QString &linha : linhas(arquivo)) {
                cortada = cortada || linha.contains(QStringLiteral("warning tavo.zip: ") + QChar(0x00e7));
                const qsizetype onde = linha.indexOf(QStringLiteral("linha "));
                if (onde >= 0)
                    numeros.append(linha.mid(onde + 6));
            }
        }
        QVERIFY(cortada || arquivos == 1);
        const QStringList atual = linhas(Log::arquivo(pasta.path()));
        QVERIFY2(atual.last().endsWith(QStringLiteral("info tavo.app: ended")), qPrintable(atual.last()));
        const QString ultimas = atual.join(QLatin1Char('\n'));
        QVERIFY2(ultimas.contains(QStringLiteral("linha 200")), qPrintable(ultimas));
        QVERIFY(!numeros.isEmpty());
        // Consecutive from the oldest kept line to the newest.
        for (qsizetype i = 1; i < numeros.size(); ++i)
            QCOMPARE(numeros.at(i).toInt(), numeros.at(i - 1).toInt() + 1);
        QCOMPARE(numeros.last(), QStringLiteral("200"));
    }

    // Processes writing the one file at once (the window and console
    // commands) rotate each full file once: every copy kept was full when it
    // was rotated, none is past the cap, and each process's lines kept are
    // the newest ones without a gap; with room for every copy, every line.
    void processosAoMesmoTempoNaoPerdemGeracoes_data()
    {
        QTest::addColumn<int>("arquivos");
        QTest::addColumn<bool>("todas"); // every line is kept: no copy is ever dropped
        QTest::newRow("três arquivos") << 3 << false;
        QTest::newRow("nenhuma cópia descartada") << 200 << true;
    }
    void processosAoMesmoTempoNaoPerdemGeracoes()
    {
        QFETCH(int, arquivos);
        QFETCH(bool, todas);
        constexpr int kProcessos = 8;
        constexpr int kLinhas = 500;
        constexpr qint64 kLimite = 2048;
        QTemporaryDir pasta;
        const QString largada = pasta.path() + QStringLiteral("/largada");
        const QString pastaLog = pasta.path() + QStringLiteral("/log");
        std::vector<std::unique_ptr<QProcess>> processos;
        for (int i = 0; i < kProcessos; ++i) {
            processos.push_back(std::make_unique<QProcess>());
            processos.back()->setProcessChannelMode(QProcess::ForwardedChannels);
            processos.back()->start(
                QStringLiteral(TAVO_ESCRITOR_LOG),
                {pastaLog, QString::number(kLimite), QString::number(arquivos), QString::number(kLinhas), largada});
        }
        for (const auto &processo : processos)
            QVERIFY(processo->waitForStarted(10000));
        grava(largada, "");
        for (const auto &processo : processos) {
            QVERIFY(processo->waitForFinished(120000));
            QCOMPARE(processo->exitStatus(), QProcess::NormalExit);
            QCOMPARE(processo->exitCode(), 0);
        }

        QVERIFY(!QFileInfo::exists(Log::arquivo(pastaLog, arquivos)));
        int maisAntigo = arquivos - 1;
        while (maisAntigo > 0 && !QFileInfo::exists(Log::arquivo(pastaLog, maisAntigo)))
            --maisAntigo;
        QVERIFY2(maisAntigo >= (todas ? 2 : arquivos - 1), "too few rotations to tell anything");
        QVERIFY2(!todas || maisAntigo < arquivos - 1, "a copy was dropped");
        static const QRegularExpression forma(QStringLiteral(R"(escritorLog\[(\d+)\] info tavo\.zip: linha (\d+)$)"));
        QHash<QString, QList<int>> numeros; // each process's lines, oldest first
        QList<qint64> tamanhos;
        qsizetype maisLonga = 0;
        for (int n = maisAntigo; n >= 0; --n) {
            const QString arquivo = Log::arquivo(pastaLog, n);
            QVERIFY2(QFileInfo::exists(arquivo), qPrintable(arquivo + QStringLiteral(" is missing")));
            const QByteArray bytes = le(arquivo);
            QVERIFY2(bytes.size() <= kLimite, qPrintable(arquivo));
            QVERIFY(bytes.endsWith('\n'));
            tamanhos.prepend(bytes.size());
            for (const QString &linha : QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                maisLonga = std::max(maisLonga, linha.toUtf8().size() + 1);
                const QRegularExpressionMatch partes = forma.match(linha);
                if (partes.hasMatch())
                    numeros[partes.captured(1)].append(partes.captured(2).toInt());
            }
        }
        // A copy was rotated only when the next line did not fit in it.
        for (int n = 1; n <= maisAntigo; ++n)
            QVERIFY2(tamanhos.at(n) + maisLonga > kLimite,
                     qPrintable(QStringLiteral("copy %1 rotated with %2 bytes").arg(n).arg(tamanhos.at(n))));
        // With three files, the processes that ended first may have no line left.
        if (todas)
            QCOMPARE(numeros.size(), kProcessos);
        QVERIFY(!numeros.isEmpty());
        for (auto processo = numeros.cbegin(); processo != numeros.cend(); ++processo) {
            const QList<int> &linhas = processo.value();
            QCOMPARE(linhas.last(), kLinhas - 1);
            if (todas)
                QCOMPARE(linhas.first(), 0);
            for (qsizetype i = 1; i < linhas.size(); ++i)
                QVERIFY2(linhas.at(i) == linhas.at(i - 1) + 1,
                         qPrintable(QStringLiteral("process %1: line %2 after line %3")
                                        .arg(processo.key())
                                        .arg(linhas.at(i))
                                        .arg(linhas.at(i - 1))));
        }
    }

    // A rotation that cannot be done (a folder has a copy's name) empties the
    // file rather than let it pass its cap, and says once why the older
    // lines are gone; the folder stays as it was.
    void rotacaoQueFalhaEsvaziaOArquivo_data()
    {
        QTest::addColumn<int>("arquivos");
        QTest::addColumn<int>("pasta"); // the copy that is a folder
        QTest::newRow("pasta .1, três arquivos") << 3 << 1;
        QTest::newRow("pasta .1, dois arquivos") << 2 << 1;
        QTest::newRow("pasta .2, três arquivos") << 3 << 2;
    }
    void rotacaoQueFalhaEsvaziaOArquivo()
    {
        QFETCH(int, arquivos);
        QFETCH(int, pasta);
        constexpr qint64 kLimite = 1000;
        QTemporaryDir raiz;
        const QString copia = Log::arquivo(raiz.path(), pasta);
        grava(copia + QStringLiteral("/guardado"), "x");
        const QString nota = QStringLiteral("tavo.app: Log file rotation failed (%1: %2): the older lines of %3 were "
                                            "dropped to keep it within %4 bytes")
                                 .arg(copia, PlataformaArquivos::textoDoSistema(EISDIR), Log::arquivo(raiz.path()))
                                 .arg(kLimite);
        Gravador gravador;
        Gravador::recebidas.clear();
        int escritas = 0;
        const auto escreve = [&escritas](int quantas) {
            for (int i = 0; i < quantas; ++i, ++escritas)
                qCInfo(lcZip).noquote() << QStringLiteral("linha %1").arg(escritas, 3, 10, QLatin1Char('0'));
        };
        {
            Log::Destino d = destino(raiz.path(), Log::Eco::ErroPadrao);
            d.limite = kLimite;
            d.arquivos = arquivos;
            const Log::Instalacao log(d);
            // Once past the cap: the file starts again with the note.
            escreve(20);
            QStringList atual = linhas(Log::arquivo(raiz.path()));
            QVERIFY2(QFileInfo(Log::arquivo(raiz.path())).size() <= kLimite, qPrintable(atual.join(QLatin1Char('\n'))));
            QVERIFY2(atual.first().endsWith(nota.mid(10)), qPrintable(atual.first()));
            QVERIFY(atual.first().contains(QStringLiteral(" warning tavo.app: ")));
            QVERIFY(atual.last().endsWith(QStringLiteral("linha 019")));
            // Past it several times more: the cap holds, the note is not said again.
            escreve(100);
            atual = linhas(Log::arquivo(raiz.path()));
            QVERIFY(QFileInfo(Log::arquivo(raiz.path())).size() <= kLimite);
            QVERIFY(atual.last().endsWith(QStringLiteral("linha 119")));
        }
        QCOMPARE(Gravador::recebidas.filter(QStringLiteral("rotation failed")), QStringList{nota});
        QVERIFY(QFileInfo(Log::arquivo(raiz.path())).size() <= kLimite);
        QCOMPARE(le(copia + QStringLiteral("/guardado")), QByteArray("x"));
        for (int n = 1; n <= arquivos; ++n)
            QCOMPARE(QFileInfo::exists(Log::arquivo(raiz.path(), n)), n == pasta);
    }

    // The window's log also goes to standard error, the console's does not
    // unless asked for; once removed, the handler before has every message.
    void ecoNoErroPadraoSoQuandoPedido_data()
    {
        QTest::addColumn<QString>("quem");
        QTest::addColumn<QByteArray>("regras"); // QT_LOGGING_RULES
        QTest::addColumn<bool>("eco");
        QTest::addColumn<bool>("depuracao");
        QTest::newRow("janela") << QStringLiteral("janela") << QByteArray() << true << false;
        QTest::newRow("console") << QStringLiteral("console") << QByteArray() << false << false;
        QTest::newRow("console --verbose") << QStringLiteral("verbose") << QByteArray() << true << true;
        QTest::newRow("console com QT_LOGGING_RULES")
            << QStringLiteral("console") << QByteArray("tavo.transfer.debug=true") << true << false;
    }
    void ecoNoErroPadraoSoQuandoPedido()
    {
        QFETCH(QString, quem);
        QFETCH(QByteArray, regras);
        QFETCH(bool, eco);
        QFETCH(bool, depuracao);
        const QByteArray antes = qgetenv("QT_LOGGING_RULES");
        qputenv("QT_LOGGING_RULES", regras);
        QTemporaryDir pasta;
        const Log::Destino d = quem == QLatin1String("janela")
                                   ? Log::janela(pasta.path())
                                   : Log::console(pasta.path(), quem == QLatin1String("verbose"));
        qputenv("QT_LOGGING_RULES", antes);
        QCOMPARE(d.eco == Log::Eco::ErroPadrao, eco);
        QCOMPARE(d.depuracao, depuracao);

        Gravador gravador;
        Gravador::recebidas.clear();
        {
            const Log::Instalacao log(d);
            qCWarning(lcTransferencia) << "porta recusada";
            qCDebug(lcTransferencia) << "cada tentativa";
        }
        const QStringList esperadas =
            eco ? QStringList{QStringLiteral("tavo.transfer: porta recusada")} : QStringList();
        QStringList recebidas = Gravador::recebidas.filter(QStringLiteral("tavo.transfer"));
        QCOMPARE(recebidas.filter(QStringLiteral("porta recusada")), esperadas);
        QCOMPARE(recebidas.filter(QStringLiteral("cada tentativa")).size(), eco && depuracao ? 1 : 0);
        const QString arquivo = QString::fromUtf8(le(Log::arquivo(pasta.path())));
        QVERIFY(arquivo.contains(QStringLiteral("warning tavo.transfer: porta recusada")));
        QCOMPARE(arquivo.contains(QStringLiteral("cada tentativa")), depuracao);

        // Removed: the file takes nothing more, the handler before has it all.
        Gravador::recebidas.clear();
        qCWarning(lcTransferencia) << "depois";
        QCOMPARE(Gravador::recebidas, QStringList{QStringLiteral("tavo.transfer: depois")});
        QVERIFY(!QString::fromUtf8(le(Log::arquivo(pasta.path()))).contains(QStringLiteral("depois")));
    }

    // A folder that cannot take the log (here, below a file) stops nothing:
    // one note, then the window's lines on standard error, the console's
    // nowhere.
    void pastaQueNaoRecebeOLogNaoFalha_data()
    {
        QTest::addColumn<bool>("eco");
        QTest::newRow("janela") << true;
        QTest::newRow("console") << false;
    }
    void pastaQueNaoRecebeOLogNaoFalha()
    {
        QFETCH(bool, eco);
        QTemporaryDir raiz;
        grava(raiz.path() + QStringLiteral("/arquivo"), "x");
        const QString pasta = raiz.path() + QStringLiteral("/arquivo/log");
        Gravador gravador;
        Gravador::recebidas.clear();
        {
            const Log::Instalacao log(destino(pasta, eco ? Log::Eco::ErroPadrao : Log::Eco::Nenhum));
            for (int i = 0; i < 3; ++i)
                qCWarning(lcMidia) << "linha" << i;
        }
        const QStringList notas = Gravador::recebidas.filter(QStringLiteral("cannot be written"));
        QCOMPARE(notas.size(), 1);
        QVERIFY2(notas.first().startsWith(QStringLiteral("tavo.app: Log file ") + Log::arquivo(pasta)),
                 qPrintable(notas.first()));
        QCOMPARE(Gravador::recebidas.filter(QStringLiteral("tavo.media: linha")).size(), eco ? 3 : 0);
        QVERIFY(!QFileInfo::exists(pasta));
    }

    // What the user's message leaves out is in the log: the port tried and
    // the system's answer, the Jet reader's own words, the system's error of
    // a full disk, the step of a generation.
    void causaDaFalhaDeUmTrabalhoNoLog()
    {
        IniciaComponenteZip();
        struct Caso
        {
            const char *nome;
            // Runs the job; returns the patterns of the lines the log must hold.
            std::function<QStringList(AmbienteTeste &)> trabalho;
        };
        const Caso casos[] = {
            {"envio a uma porta onde ninguém escuta",
             [](AmbienteTeste &) {
                 QTcpServer sonda;
                 sonda.listen(QHostAddress::LocalHost, 0);
                 const quint16 porta = sonda.serverPort();
                 sonda.close();
                 const QString pacote = Caminhos::pastaTrabalho() + QStringLiteral("\\DADOS_31045678_01032026.zip");
                 grava(instalacaoAtual().local(pacote), PacoteZip::armazenado("x"));
                 Anotador usuario;
                 const Instalacao instalacao = instalacaoAtual();
                 SessaoTransferencia sessao(instalacao, usuario);
                 const ResultadoEnvio resultado =
                     sessao.transmite({QStringLiteral("127.0.0.1"), 1, porta, 2000ms, 5000ms},
                                      PacoteEscolhido::comOrigem(instalacao, pacote, pacote, QStringLiteral("31045678"),
                                                                 QStringLiteral("E")),
                                      {QStringLiteral("114"), QStringLiteral("S"), QStringLiteral("31045678"),
                                       QStringLiteral("E"), QStringLiteral("PERIO")});
                 [&] { QCOMPARE(resultado.desfecho, Desfecho::SemConexao); }();
                 return QStringList{
                     QRegularExpression::escape(QStringLiteral("warning tavo.transfer: No connection to the server; "
                                                               "tried: 127.0.0.1:%1 (Connection refused)")
                                                    .arg(porta))};
             }},
            {"arquivo do Access que não se lê",
             [](AmbienteTeste &ambiente) {
                 const QString cortado = ambiente.raiz() + QStringLiteral("/cortado.mdb");
                 grava(cortado, le(AmbienteTeste::dado(QStringLiteral("escola_uma.mdb"))).left(4096));
                 [&] {
                     QCOMPARE(tipoDoErro([&] { LeitorJet::tabelas(cortado); }),
                              ErroTavo::Tipo::FormatoBancoDesconhecido);
                 }();
                 return QStringList{
                     QRegularExpression::escape(QStringLiteral("warning tavo.jet: Access file not read: ") + cortado)
                     + QStringLiteral(".* - tavo-leitor-jet exited with 3, said: \\S")};
             }},
            {"geração sem o banco da escola",
             [](AmbienteTeste &) {
                 QDir().mkpath(instalacaoAtual().local(Caminhos::pastaPacotes()));
                 Anotador usuario;
                 [&] {
                     QVERIFY(!GeracaoPacote(instalacaoAtual(), Caminhos::bancoEscola(), QDate(2026, 3, 1), usuario)
                                  .executa()
                                  .gerado);
                 }();
                 return QStringList{QRegularExpression::escape(QStringLiteral(
                                        "warning tavo.zip: Package generation step failed: identifying the school - "
                                        "error "))
                                    + QStringLiteral(".*")
                                    + QRegularExpression::escape(instalacaoAtual().local(Caminhos::bancoEscola()))};
             }},
            {"disquete cheio",
             [](AmbienteTeste &ambiente) {
                 QDir().mkpath(ambiente.raiz() + QStringLiteral("/drives/a"));
                 const QString pacote = ambiente.raiz() + QStringLiteral("/DADOS_31045678_01032026.zip");
                 grava(pacote, aleatorio(1000, 1));
                 const QString drive = instalacaoAtual().disquete().pasta;
                 FalhasArquivo::instala([drive](const QString &alvo) { return alvo.startsWith(drive) ? ENOSPC : 0; });
                 Anotador usuario;
                 ExportacaoDisquete(instalacaoAtual(), pacote, usuario).executa();
                 FalhasArquivo::remove();
                 return QStringList{
                     QRegularExpression::escape(QStringLiteral("warning tavo.media: Floppy export failed: error "))
                     + QStringLiteral(".*")
                     + QRegularExpression::escape(QStringLiteral("[system error %1: %2]")
                                                      .arg(ENOSPC)
                                                      .arg(PlataformaArquivos::textoDoSistema(ENOSPC)))};
             }},
            {"configurações que o banco recusa",
             [](AmbienteTeste &ambiente) {
                 ambiente.executa(QStringLiteral("create trigger recusa before insert on configuracao begin select "
                                                 "raise(abort, 'bloqueada'); end"));
                 Anotador usuario;
                 const ConfiguracaoDigitada digitada{
                     {QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1")},
                     QStringLiteral("3"),
                     QStringLiteral("47000")};
                 [&] { QVERIFY(!GravacaoConfiguracao::salva(instalacaoAtual(), digitada, usuario)); }();
                 return QStringList{
                     QRegularExpression::escape(QStringLiteral("warning tavo.store: Server settings not saved: error "))
                     + QStringLiteral(".*bloqueada")};
             }},
        };
        for (const Caso &caso : casos) {
            AmbienteTeste ambiente;
            QStringList esperadas;
            {
                const Log::Instalacao log(destino(ambiente.raiz()));
                esperadas = caso.trabalho(ambiente);
            }
            if (QTest::currentTestFailed())
                QFAIL(caso.nome);
            const QString log = QString::fromUtf8(le(Log::arquivo(ambiente.raiz())));
            for (const QString &esperada : std::as_const(esperadas)) {
                const QRegularExpression linha(esperada, QRegularExpression::MultilineOption);
                QVERIFY2(linha.match(log).hasMatch(), qPrintable(QString::fromUtf8(caso.nome) + QStringLiteral(": ")
                                                                 + esperada + QStringLiteral("\n") + log));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TstLog)
#include "tst_log.moc"
