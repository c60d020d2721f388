// How a send ended, in the detail a script acts on (ResultadoEnvio): one
// case per way the reference server fails, with the bounds of the settings
// (not the program's) and the point after which a send must never be
// repeated.
#include "CenarioTransmissao.h"

#include "package/modAddZip.h"
#include "transfer/Espera.h"

#include "support/Auxiliares.h"
#include "support/SistemaTeste.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace std::chrono_literals;

namespace {

// Big enough that a server failing at half of it stops a send that has not
// yet handed every byte to the system (the system's buffers hold megabytes).
constexpr qint64 kGrande = 32 * 1024 * 1024;

struct Caso
{
    const char *nome;
    qint64 tamanho;
    // The server's fault; no server at all when empty.
    std::function<void(ConfiguracaoServidor &)> falha;
    std::function<void(ConfiguracaoCliente &)> limites;
    Desfecho desfecho;
    bool saiuInteiro;
    // The cause begins with this text.
    QString causa;
    // Done to the working folder's copy while the server decides on the file.
    std::function<void(const QString &)> altera = nullptr;
};

// The package of the rows that change it under the send (as the office's
// scenario: 59,777 bytes).
constexpr qint64 kMudado = 59'777;

} // namespace

class TstDesfechoEnvio : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The program's bounds are long: a send that waited by them instead of
    // the settings' would fail the time checks below.
    void initTestCase()
    {
        IniciaComponenteZip();
        CenarioEnvio::prazosIniciais = {20000ms, 20000ms, 20000ms};
    }

    void desfechoDeCadaFalhaDoServidor()
    {
        const auto nada = [](ConfiguracaoServidor &) {};
        const auto semLimites = [](ConfiguracaoCliente &) {};
        const Caso casos[] = {
            {"completo", 100'000, nada, semLimites, Desfecho::Concluido, true, QString()},
            {"acesso negado", 5000, [](ConfiguracaoServidor &c) { c.negar = true; }, semLimites, Desfecho::Recusado,
             false, QStringLiteral("O servidor negou o acesso (Received denied).")},
            {"pacote negado", 5000, [](ConfiguracaoServidor &c) { c.pacote = 2047; }, semLimites, Desfecho::Recusado,
             false, QStringLiteral("O servidor recusou o tamanho de pacote pedido (Received PACKET")},
            {"arquivo recusado", 5000, [](ConfiguracaoServidor &c) { c.recusar = true; }, semLimites,
             Desfecho::Recusado, false, QStringLiteral("O servidor recusou o arquivo (Received PEND~# 0).")},
            {"expulso antes dos dados", 100'000, [](ConfiguracaoServidor &c) { c.expulsarEm = 0; }, semLimites,
             Desfecho::Recusado, false,
             QStringLiteral("O servidor encerrou a conexão antes dos dados (Received kickH#).")},
            {"expulso no meio dos dados", kGrande, [](ConfiguracaoServidor &c) { c.expulsarEm = 50; }, semLimites,
             Desfecho::Perdida, false,
             QStringLiteral("O servidor encerrou a conexão durante o envio dos dados (Received kickH#).")},
            {"derrubado no meio dos dados", kGrande, [](ConfiguracaoServidor &c) { c.derrubarEm = 10; }, semLimites,
             Desfecho::Perdida, false, QStringLiteral("A conexão foi perdida durante o envio dos dados (")},
            {"servidor mudo", 5000, [](ConfiguracaoServidor &c) { c.mudo = true; },
             [](ConfiguracaoCliente &c) { c.tempoResposta = 300ms; }, Desfecho::TempoEsgotado, false,
             QStringLiteral("Tempo esgotado: o servidor não respondeu em 300 ms (tempo_resposta).")},
            {"dados parados", 12 * 1024 * 1024, [](ConfiguracaoServidor &c) { c.lentoKBs = 1; },
             [](ConfiguracaoCliente &c) { c.tempoSemProgresso = 300ms; }, Desfecho::TempoEsgotado, false,
             QStringLiteral("Tempo esgotado: o envio ficou 300 ms sem progresso (tempo_sem_progresso).")},
            {"sem servidor", 5000, nullptr, semLimites, Desfecho::SemConexao, false,
             QStringLiteral("Nenhuma porta do servidor aceitou a conexão (rota direct): 127.0.0.1:%1 (Connection "
                            "refused).")},
            // What goes out is what was checked, or the send fails before
            // the server holds a whole file.
            {"encurtado enquanto o servidor decide", kMudado, nada, semLimites, Desfecho::PacoteAlterado, false,
             QStringLiteral("O pacote mudou depois de conferido (o arquivo acabou no byte 19925 dos 59777 anunciados)"),
             [](const QString &arquivo) { QVERIFY(QFile::resize(arquivo, kMudado / 3)); }},
            {"100 bytes trocados enquanto o servidor decide", kMudado, nada, semLimites, Desfecho::PacoteAlterado,
             false, QStringLiteral("O pacote mudou depois de conferido (os bytes lidos não têm o SHA-256 conferido)"),
             [](const QString &arquivo) {
                 QFile aberto(arquivo);
                 QVERIFY(aberto.open(QIODevice::ReadWrite) && aberto.seek(kMudado / 2));
                 QCOMPARE(aberto.write(QByteArray(100, 'x')), qint64(100));
             }},
            {"outro arquivo posto no lugar", kMudado, nada, semLimites, Desfecho::Concluido, true, QString(),
             [](const QString &arquivo) {
                 // Windows does not let a file the sender holds open go.
                 if (!SistemaTeste::substituiArquivoAberto())
                     return;
                 grava(arquivo + QStringLiteral(".novo"), QByteArray(kMudado, 'y'));
                 QVERIFY(QFile::remove(arquivo) && QFile::rename(arquivo + QStringLiteral(".novo"), arquivo));
             }},
        };
        for (const Caso &caso : casos) {
            CenarioSessao cenario;
            cenario.colocaPacote(caso.tamanho);
            if (caso.falha) {
                ConfiguracaoServidor configuracao;
                caso.falha(configuracao);
                cenario.iniciaServidor(configuracao, cenario.porta);
            }
            QString recebido;
            if (cenario.servidor)
                connect(cenario.servidor.get(), &ServidorUpload::arquivoRecebido, this,
                        [&](const QString &caminho) { recebido = caminho; });
            if (caso.altera)
                connect(&cenario.sessao, &SessaoTransferencia::status, this, [&](const QString &texto) {
                    if (texto == QLatin1String("Esperando resposta..."))
                        caso.altera(instalacaoAtual().local(CenarioEnvio::pacoteNaPastaTrabalho()));
                });
            ConfiguracaoCliente servidor{QStringLiteral("127.0.0.1"), 1, cenario.porta};
            caso.limites(servidor);
            cenario.caixas.confirma(2);
            QElapsedTimer relogio;
            relogio.start();
            const ResultadoEnvio resultado = cenario.sessao.transmite(servidor, cenario.pacote, cenario.identidade);

            const QByteArray nome = caso.nome;
            // Under Wine half of kGrande alone takes some 10 s.
            QVERIFY2(relogio.elapsed() < (SistemaTeste::windows() ? 30000 : 10000),
                     QByteArray(nome + " " + QByteArray::number(relogio.elapsed())));
            const QByteArray detalhe =
                nome + " (" + QByteArray::number(int(resultado.desfecho)) + ") " + resultado.causa.toUtf8();
            QVERIFY2(resultado.desfecho == caso.desfecho, detalhe);
            QVERIFY2(resultado.pacoteSaiuInteiro == caso.saiuInteiro, nome);
            const QString causa = caso.causa.contains(QLatin1String("%1")) ? caso.causa.arg(cenario.porta) : caso.causa;
            QVERIFY2(causa.isEmpty() ? resultado.causa.isEmpty() : resultado.causa.startsWith(causa), detalhe);
            QCOMPARE(resultado.enderecoUsado, QStringLiteral("127.0.0.1"));
            QCOMPARE(resultado.portaUsada, cenario.porta);
            QCOMPARE(resultado.rota, QStringLiteral("direct"));
            QVERIFY2(resultado.segundos >= 0 && resultado.segundos * 1000 <= relogio.elapsed() + 1, nome);
            // The server holds the package exactly when the send completed,
            // and the receipt is of the bytes it holds.
            if (caso.desfecho == Desfecho::Concluido) {
                QTRY_VERIFY_WITH_TIMEOUT(!recebido.isEmpty(), 5000);
                QFile arquivo(recebido);
                QVERIFY(arquivo.open(QIODevice::ReadOnly));
                QVERIFY(arquivo.readAll() == cenario.conteudo);
                QCOMPARE(resultado.sha256, QCryptographicHash::hash(cenario.conteudo, QCryptographicHash::Sha256));
                QCOMPARE(cenario.registros(), 1);
            } else {
                QVERIFY2(recebido.isEmpty(), nome);
                QCOMPARE(cenario.registros(), 0);
            }
            if (caso.desfecho == Desfecho::PacoteAlterado)
                QVERIFY(caixaIgual(cenario.caixas.mostradas().last(),
                                   QStringLiteral("A transferência falhou. A conexão foi perdida."),
                                   QStringLiteral("Erro na transferência."), CaixaMensagem::Botoes::Ok,
                                   CaixaMensagem::Icone::Critico));
        }
    }

    // The package went out whole; its record could not be written (a school
    // code the history refuses).
    void concluidoSemRegistro()
    {
        CenarioSessao cenario;
        cenario.colocaPacote(3000);
        cenario.identidade.codigoEscola = QStringLiteral("3104567A");
        cenario.iniciaServidor({}, cenario.porta);
        const ResultadoEnvio resultado = cenario.transmite(2);
        QVERIFY(resultado.desfecho == Desfecho::ConcluidoSemRegistro);
        QVERIFY(resultado.pacoteSaiuInteiro);
        QVERIFY2(resultado.causa.startsWith(
                     QStringLiteral("O arquivo foi enviado, mas o envio não pôde ser gravado no histórico: ")),
                 qPrintable(resultado.causa));
        QCOMPARE(cenario.registros(), 0);
    }

    // Nothing to send: no connection is tried, and the cause says why.
    void semPacoteOuPacoteDanificado()
    {
        for (const bool danificado : {false, true}) {
            CenarioSessao cenario;
            cenario.colocaPacote(5000);
            if (danificado) {
                cenario.colocaPacote(QByteArray(5000, 'x'));
            } else {
                QVERIFY(QFile::remove(instalacaoAtual().local(CenarioEnvio::pacoteGerado())));
                QVERIFY(QFile::remove(instalacaoAtual().local(CenarioEnvio::pacoteNaPastaTrabalho())));
            }
            const ResultadoEnvio resultado = cenario.transmite(1);
            QVERIFY(resultado.desfecho == (danificado ? Desfecho::PacoteDanificado : Desfecho::SemPacote));
            QVERIFY2(!resultado.causa.isEmpty(), qPrintable(resultado.causa));
            if (danificado)
                QVERIFY(resultado.causa.startsWith(QStringLiteral("O pacote não se lê inteiro: ")));
            QCOMPARE(resultado.portaUsada, quint16(0));
            QVERIFY(!resultado.pacoteSaiuInteiro);
        }
    }

    // "Cancelar" while the server is silent.
    void cancelado()
    {
        CenarioSessao cenario;
        cenario.colocaPacote(5000);
        ConfiguracaoServidor configuracao;
        configuracao.mudo = true;
        cenario.iniciaServidor(configuracao, cenario.porta);
        connect(&cenario.sessao, &SessaoTransferencia::status, this, [&](const QString &texto) {
            if (texto.startsWith(QStringLiteral("Status: Conectado!")))
                QTimer::singleShot(50, &cenario.sessao, &SessaoTransferencia::cancela);
        });
        const ResultadoEnvio resultado = cenario.transmite(1);
        QVERIFY(resultado.desfecho == Desfecho::Cancelado);
        QCOMPARE(resultado.causa, QStringLiteral("O envio foi cancelado."));
    }
};

QTEST_MAIN(TstDesfechoEnvio)
#include "tst_desfechoEnvio.moc"
