// Server settings the site manages: put into table configuracao at every
// start (the log says what changed), refused to the user's changes, and a
// managed configuration that cannot be used told and stored nowhere.
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "store/ConfiguracaoGerenciada.h"
#include "store/GravacaoConfiguracao.h"
#include "store/PastaPrograma.h"

#include "support/AmbienteTeste.h"
#include "support/Anotador.h"
#include "support/Auxiliares.h"

#include <QTest>

namespace {

const QString kGerenciada =
    QStringLiteral("As configurações do servidor são definidas pela instalação e não podem ser alteradas aqui.");
const QString kInvalida =
    QStringLiteral("As configurações do servidor definidas pela instalação não podem ser usadas.");
const QString kLinha = QStringLiteral("select ip_servidor||'|'||qtde_portas||'|'||porta_inicial from configuracao");

// Answers every message OK and keeps its text and icon.

// The lines the store logs while it lives.
class LinhasDoLog
{
public:
    LinhasDoLog()
    {
        s_linhas.clear();
        m_anterior = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &contexto, const QString &texto) {
            if (qstrcmp(contexto.category, "tavo.store") == 0)
                s_linhas.append(texto);
        });
    }
    ~LinhasDoLog() { qInstallMessageHandler(m_anterior); }
    QStringList com(const QString &parte) const { return s_linhas.filter(parte); }

private:
    static inline QStringList s_linhas;
    QtMessageHandler m_anterior;
};

void escreveSitio(const QString &arquivo, const QByteArray &servidor)
{
    grava(arquivo, "[servidor]\n" + servidor);
}

// The installation with the Group Policy values "chave=valor;..." (Windows'
// registry, which the tests do not write).
Instalacao comPoliticas(const QString &politicas)
{
    QHash<QString, QString> valores;
    for (const QString &par : politicas.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        valores.insert(QStringLiteral("servidor/") + par.section(QLatin1Char('='), 0, 0),
                       par.section(QLatin1Char('='), 1));
    return Instalacao::carrega(valores);
}

} // namespace

class TstConfiguracaoGerenciada : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void inicioGravaAConfiguracaoDoSitio_data()
    {
        QTest::addColumn<QString>("guardada");   // the row before the start ("" none)
        QTest::addColumn<QByteArray>("sistema"); // the [servidor] lines of the system's file
        QTest::addColumn<QByteArray>("usuario"); // and of the user's
        QTest::addColumn<QString>("depois");
        QTest::addColumn<QString>("log"); // the change logged ("" none)
        QTest::addColumn<bool>("invalida");
        QTest::addColumn<QString>("politicas"); // Group Policy, above both files
        const QByteArray gerenciada = "gerenciado=sim\nip=10.1.2.3\nportas=2\nporta_inicial=7000\n";
        QTest::newRow("não gerenciada: o sítio não muda o guardado")
            << "'127.0.0.1', 3, 47000" << QByteArray("ip=10.1.2.3\nportas=2\nporta_inicial=7000\n") << QByteArray()
            << "127.0.0.1|3|47000" << QString() << false << QString();
        QTest::newRow("gerenciada: substitui o guardado")
            << "'127.0.0.1', 3, 47000" << gerenciada << QByteArray() << "10.1.2.3|2|7000"
            << "before: address 127.0.0.1, 3 port(s) from 47000 - now: address 10.1.2.3, 2 port(s) from 7000" << false
            << QString();
        QTest::newRow("gerenciada: nada guardado")
            << QString() << gerenciada << QByteArray() << "10.1.2.3|2|7000"
            << "before: none - now: address 10.1.2.3, 2 port(s) from 7000" << false << QString();
        QTest::newRow("gerenciada e igual: nada escrito nem registrado")
            << "' 10.1.2.3 ', '2', '7000'" << gerenciada << QByteArray() << " 10.1.2.3 |2|7000" << QString() << false
            << QString();
        QTest::newRow("usuário vence sistema: o IP")
            << "'127.0.0.1', 3, 47000" << gerenciada << QByteArray("ip=10.9.9.9\n") << "10.9.9.9|2|7000"
            << "now: address 10.9.9.9, 2 port(s) from 7000" << false << QString();
        QTest::newRow("gerenciada sem valores")
            << "'127.0.0.1', 3, 47000" << QByteArray("gerenciado=sim\n") << QByteArray() << "127.0.0.1|3|47000"
            << QString() << true << QString();
        QTest::newRow("gerenciada com IP de cinco partes")
            << "'127.0.0.1', 3, 47000" << QByteArray("gerenciado=sim\nip=10.1.2.3.4\nportas=2\nporta_inicial=7000\n")
            << QByteArray() << "127.0.0.1|3|47000" << QString() << true << QString();
        QTest::newRow("gerenciado com outro valor")
            << "'127.0.0.1', 3, 47000" << QByteArray("gerenciado=1\nip=10.1.2.3\nportas=2\nporta_inicial=7000\n")
            << QByteArray() << "127.0.0.1|3|47000" << QString() << true << QString();
        QTest::newRow("política gerenciada vence os arquivos")
            << "'127.0.0.1', 3, 47000" << QByteArray("gerenciado=não\nip=10.1.2.3\n") << QByteArray("ip=10.9.9.9\n")
            << "10.7.7.7|4|8000"
            << "now: address 10.7.7.7, 4 port(s) from 8000" << false
            << "gerenciado=sim;ip=10.7.7.7;portas=4;porta_inicial=8000";
        QTest::newRow("política: só o IP, o resto do arquivo")
            << "'127.0.0.1', 3, 47000" << gerenciada << QByteArray() << "10.7.7.7|2|7000"
            << "now: address 10.7.7.7, 2 port(s) from 7000" << false << "ip=10.7.7.7";
        QTest::newRow("política com IP que a janela recusa") << "'127.0.0.1', 3, 47000" << gerenciada << QByteArray()
                                                             << "127.0.0.1|3|47000" << QString() << true << "ip=10.7.7";
        QTest::newRow("política gerenciado com outro valor")
            << "'127.0.0.1', 3, 47000" << gerenciada << QByteArray() << "127.0.0.1|3|47000" << QString() << true
            << "gerenciado=1";
    }
    void inicioGravaAConfiguracaoDoSitio()
    {
        QFETCH(QString, guardada);
        QFETCH(QByteArray, sistema);
        QFETCH(QByteArray, usuario);
        QFETCH(QString, depois);
        QFETCH(QString, log);
        QFETCH(bool, invalida);
        QFETCH(QString, politicas);
        AmbienteTeste ambiente;
        if (!guardada.isEmpty())
            ambiente.executa(QStringLiteral("insert into configuracao values (%1)").arg(guardada));
        escreveSitio(instalacaoAtual().arquivoSistema(), sistema);
        if (!usuario.isEmpty())
            escreveSitio(instalacaoAtual().arquivoUsuario(), usuario);

        Anotador usuarioDaJanela;
        const LinhasDoLog linhas;
        {
            const PastaPrograma pasta(comPoliticas(politicas), usuarioDaJanela);
            QVERIFY(pasta.disponivel());
            QCOMPARE(pasta.configuracaoInvalida(), invalida);
        }
        QCOMPARE(ambiente.valor(kLinha), depois);
        const QStringList gravadas = linhas.com(QStringLiteral("Managed server settings of the site's configuration"));
        if (log.isEmpty()) {
            QVERIFY2(gravadas.filter(QStringLiteral("stored")).isEmpty(), qPrintable(gravadas.join(u'\n')));
        } else {
            QCOMPARE(gravadas.size(), 1);
            QVERIFY2(gravadas.first().contains(log), qPrintable(gravadas.first()));
        }
        if (invalida) {
            QCOMPARE(usuarioDaJanela.textos.size(), 1);
            QVERIFY(usuarioDaJanela.textos.first().startsWith(kInvalida + QStringLiteral("\r\n")));
            QCOMPARE(usuarioDaJanela.icones.first(), Mensagens::Icone::Critico);
        } else {
            QVERIFY(usuarioDaJanela.textos.isEmpty());
        }
    }

    // The console's "configurar" refuses as the window does, before any
    // check of the fields; not managed, it saves as before.
    void configurarRecusaAConfiguracaoGerenciada_data()
    {
        QTest::addColumn<QByteArray>("sistema");
        QTest::addColumn<int>("fim");
        QTest::addColumn<QString>("mensagem");
        QTest::addColumn<QString>("depois");
        QTest::addColumn<QString>("politicas");
        QTest::newRow("gerenciada") << QByteArray("gerenciado=sim\nip=10.1.2.3\nportas=2\nporta_inicial=7000\n")
                                    << int(GravacaoConfiguracao::Configurada::Gerenciada) << kGerenciada
                                    << "127.0.0.1|3|47000" << QString();
        QTest::newRow("gerenciada inválida")
            << QByteArray("gerenciado=sim\n") << int(GravacaoConfiguracao::Configurada::Invalida)
            << kInvalida + QStringLiteral("\r\nInforme ip, portas e porta_inicial em [servidor].")
            << "127.0.0.1|3|47000" << QString();
        QTest::newRow("não gerenciada") << QByteArray("gerenciado=nao\nip=10.1.2.3\n")
                                        << int(GravacaoConfiguracao::Configurada::Salva)
                                        << QStringLiteral("Alterações realizadas com sucesso!") << "10.0.0.1|5|9000"
                                        << QString();
        QTest::newRow("gerenciada por política")
            << QByteArray("gerenciado=nao\n") << int(GravacaoConfiguracao::Configurada::Gerenciada) << kGerenciada
            << "127.0.0.1|3|47000"
            << "gerenciado=sim;ip=10.1.2.3;portas=2;porta_inicial=7000";
    }
    void configurarRecusaAConfiguracaoGerenciada()
    {
        QFETCH(QByteArray, sistema);
        QFETCH(int, fim);
        QFETCH(QString, mensagem);
        QFETCH(QString, depois);
        QFETCH(QString, politicas);
        AmbienteTeste ambiente;
        ambiente.executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
        escreveSitio(instalacaoAtual().arquivoSistema(), sistema);
        Anotador terminal;
        const ConfiguracaoDigitada digitada{
            {QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1")},
            QStringLiteral("5"),
            QStringLiteral("9000")};
        QCOMPARE(int(GravacaoConfiguracao::configura(comPoliticas(politicas), digitada, terminal)), fim);
        QCOMPARE(terminal.textos, QStringList{mensagem});
        QCOMPARE(ambiente.valor(kLinha), depois);
    }
};

QTEST_GUILESS_MAIN(TstConfiguracaoGerenciada)
#include "tst_configuracaoGerenciada.moc"
