// The jobs run without any window: a package generated, chosen again as "..."
// chooses it, and sent to the reference server, with the user's side a
// script and nothing but the core library and Qt Core in the process.
#include "ServidorUpload.h"

#include "common/Caminhos.h"
#include "common/Interlocutor.h"
#include "intake/SelecaoPacote.h"
#include "package/GeracaoPacote.h"
#include "package/modAddZip.h"
#include "transfer/Espera.h"
#include "transfer/SessaoTransferencia.h"

#include "support/AmbienteTeste.h"
#include "support/Auxiliares.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// Answers every message OK (or Yes) and keeps its text.
class Roteiro : public Interlocutor
{
public:
    Mensagens::Resposta responde(const Mensagens::Mensagem &mensagem) override
    {
        textos.append(mensagem.texto);
        return mensagem.botoes == Mensagens::Botoes::SimNao ? Mensagens::Resposta::Sim : Mensagens::Resposta::Ok;
    }
    QStringList textos;
};

quint16 portaLivre()
{
    QTcpServer sonda;
    sonda.listen(QHostAddress::LocalHost, 0);
    return sonda.serverPort();
}

} // namespace

class TstTrabalhosSemJanela : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IniciaComponenteZip(); }

    void geraEscolheEEnviaSemJanela()
    {
        AmbienteTeste ambiente;
        ambiente.copiaDado(QStringLiteral("escola_uma.mdb"), instalacaoAtual().local(Caminhos::bancoEscola()));
        QDir().mkpath(instalacaoAtual().local(Caminhos::pastaPacotes()));
        Roteiro usuario;

        // "Gerar": the school reported as it is read, the package ready.
        std::optional<DadosEscola> escola;
        int eventos = 0;
        GeracaoPacote geracao(instalacaoAtual(), Caminhos::bancoEscola(), QDate(2026, 12, 7), usuario);
        connect(&geracao, &GeracaoPacote::escolaIdentificada, this,
                [&](const std::optional<DadosEscola> &lida) { escola = lida; });
        connect(&geracao, &GeracaoPacote::progressoZip, this, [&](const EventoZip &) { ++eventos; });
        const GeracaoPacote::Resultado gerado = geracao.executa();
        QVERIFY(gerado.gerado);
        QVERIFY(escola);
        QCOMPARE(escola->codigoEscola, QStringLiteral("31045678"));
        QVERIFY(eventos > 0);
        QCOMPARE(gerado.escolhido.nome(), QStringLiteral("DADOS_31045678_07122026.zip"));
        QCOMPARE(gerado.escolhido.tamanho(), QFileInfo(instalacaoAtual().local(gerado.pacote)).size());

        // "...": the same package chosen from another folder.
        const QString escolhido = ambiente.raiz() + QStringLiteral("/DADOS_31045678_07122026.zip");
        QVERIFY(QFile::copy(instalacaoAtual().local(gerado.pacote), escolhido));
        const SelecaoPacote::Resultado selecionado = SelecaoPacote(instalacaoAtual(), escolhido, usuario).executa();
        QVERIFY(selecionado.pronto);
        QCOMPARE(selecionado.pacote.codigoEscola(), QStringLiteral("31045678"));
        QCOMPARE(usuario.textos, QStringList{QStringLiteral("O Arquivo está pronto para ser Transmitido!")});

        // "Transmitir": the session connects, sends and records.
        QTemporaryDir recebidos;
        ConfiguracaoServidor configuracao;
        configuracao.portaInicial = portaLivre();
        configuracao.pasta = recebidos.path();
        ServidorUpload servidor(configuracao);
        QCOMPARE(servidor.inicia(), 1);
        QString chegou;
        connect(&servidor, &ServidorUpload::arquivoRecebido, this, [&](const QString &caminho) { chegou = caminho; });
        SessaoTransferencia sessao(instalacaoAtual(), usuario);
        QStringList linhas;
        connect(&sessao, &SessaoTransferencia::status, this, [&](const QString &texto) { linhas.append(texto); });
        const ResultadoEnvio resultado = sessao.transmite(
            {QStringLiteral("127.0.0.1"), 1, configuracao.portaInicial, 2000ms, 10000ms}, selecionado.pacote,
            {escola->codigoSRE, escola->sre, escola->codigoEscola, escola->escola, QStringLiteral("PERIO")});
        QCOMPARE(resultado.desfecho, Desfecho::Concluido);
        QCOMPARE(usuario.textos.last(), QStringLiteral("A transferência do arquivo foi concluída com sucesso!"));
        QCOMPARE(linhas.first(), QStringLiteral("Status: Conectando... Tentativa número 1"));
        QCOMPARE(linhas.last(), QStringLiteral("Status: Desconectado"));
        QTRY_VERIFY_WITH_TIMEOUT(!chegou.isEmpty(), 5000);
        QVERIFY(le(chegou) == le(instalacaoAtual().local(gerado.pacote)));
        QCOMPARE(ambiente.valor(QStringLiteral("select Nome_arquivo||'|'||codigo_escola||'|'||tipo_transmissao "
                                               "from Historico")),
                 QStringLiteral("DADOS_31045678_07122026.zip|31045678|PERIO"));
    }
};

QTEST_GUILESS_MAIN(TstTrabalhosSemJanela)
#include "tst_trabalhosSemJanela.moc"
