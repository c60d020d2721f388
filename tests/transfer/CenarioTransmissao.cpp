#include "CenarioTransmissao.h"

#include "common/Caminhos.h"
#include "shell/AcessoBancada.h"
#include "shell/ListaArquivos.h"
#include "support/Controles.h"
#include "support/PacoteZip.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTcpServer>

#include <vector>

const QString CenarioEnvio::kNomePacote = QStringLiteral("DADOS_31045678_07122026.zip");
PrazosEspera CenarioEnvio::prazosIniciais;

namespace {

Instalacao comPrazosIniciais()
{
    Instalacao instalacao = instalacaoAtual();
    instalacao.prazos = CenarioEnvio::prazosIniciais;
    return instalacao;
}

} // namespace

quint16 portasLivres(int n)
{
    for (int tentativa = 0; tentativa < 200; ++tentativa) {
        const auto base = static_cast<quint16>(20000 + QRandomGenerator::global()->bounded(10000));
        std::vector<std::unique_ptr<QTcpServer>> teste;
        bool livres = true;
        for (int i = 0; i < n && livres; ++i) {
            teste.push_back(std::make_unique<QTcpServer>());
            livres = teste.back()->listen(QHostAddress::LocalHost, static_cast<quint16>(base + i));
        }
        if (livres)
            return base;
    }
    qFatal("no free port range");
}

CenarioEnvio::CenarioEnvio(int portas, quint16 portaInicial)
    : instalacao(comPrazosIniciais())
    , porta(portaInicial ? portaInicial : portasLivres(qMax(portas, 1)))
    , qtdePortas(portas)
{
    ambiente.executa(
        QStringLiteral("insert into configuracao values ('127.0.0.1', %1, %2)").arg(qtdePortas).arg(porta));
}

CenarioEnvio::~CenarioEnvio()
{
    servidor.reset();
}

CenarioTransmissao::CenarioTransmissao(int qtdePortas, quint16 portaInicial)
    : CenarioEnvio(qtdePortas, portaInicial)
    , janela(std::make_unique<frmPrincipal>(instalacao))
{
    janela->Form_Load();
    frmPrincipal::AcessoBancada(*janela).IdentificaEscola(
        DadosEscola{QStringLiteral("114"), QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"),
                    QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"), QStringLiteral("31045678")});
    controle<QRadioButton>(*janela, "optTipoTrasmissao_0")->setChecked(true);
}

CenarioTransmissao::~CenarioTransmissao()
{
    janela.reset();
}

CenarioSessao::CenarioSessao(int qtdePortas, quint16 portaInicial)
    : CenarioEnvio(qtdePortas, portaInicial)
    , identidade{QStringLiteral("114"), QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"), QStringLiteral("31045678"),
                 QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"), QStringLiteral("PERIO")}
{
    QObject::connect(&sessao, &SessaoTransferencia::status, [this](const QString &texto) { status.append(texto); });
    QObject::connect(&sessao, &SessaoTransferencia::progresso, [this](int valor) { progresso.append(valor); });
    QObject::connect(&sessao, &SessaoTransferencia::arquivoEmEnvio,
                     [this](const QString &texto) { arquivos.append(texto); });
    QObject::connect(&sessao, &SessaoTransferencia::conexao, [this](bool sim) { conexoes.append(sim); });
}

ResultadoEnvio CenarioSessao::transmite(int avisos)
{
    caixas.confirma(avisos);
    ConfiguracaoCliente servidor{QStringLiteral("127.0.0.1"), static_cast<std::int16_t>(qtdePortas), porta};
    servidor.padrao = instalacao.prazos;
    return sessao.transmite(servidor, pacote, identidade);
}

QByteArray CenarioEnvio::conteudoVariado(qint64 tamanho)
{
    return PacoteZip::deTamanho(tamanho, 20261207);
}

void CenarioEnvio::colocaPacote(qint64 tamanho)
{
    colocaPacote(conteudoVariado(tamanho));
}

namespace {

void grava(const QString &pastaWindows, const QByteArray &bytes)
{
    const QString pasta = instalacaoAtual().local(pastaWindows);
    QDir().mkpath(pasta);
    QFile arquivo(pasta + QLatin1Char('/') + CenarioEnvio::kNomePacote);
    if (!arquivo.open(QIODevice::WriteOnly) || arquivo.write(bytes) != bytes.size())
        qFatal("cannot write the package");
}

} // namespace

void CenarioEnvio::colocaPacote(const QByteArray &bytes)
{
    conteudo = bytes;
    grava(Caminhos::pastaPacotes(), bytes);
    grava(Caminhos::pastaTrabalho(), bytes);
    pacote = PacoteEscolhido::comOrigem(instalacao, pacoteGerado(), pacoteNaPastaTrabalho(), QStringLiteral("31045678"),
                                        QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"));
}

void CenarioTransmissao::colocaPacote(const QByteArray &bytes)
{
    CenarioEnvio::colocaPacote(bytes);
    frmPrincipal::AcessoBancada(*janela).escolhePacote(pacote);
    janela->HabilitaBotoesEnvio();
}

QString CenarioEnvio::pacoteGerado()
{
    return Caminhos::pastaPacotes() + kNomePacote;
}

QString CenarioEnvio::pacoteNaPastaTrabalho()
{
    return Caminhos::pastaTrabalho() + QLatin1Char('\\') + kNomePacote;
}

ServidorUpload &CenarioEnvio::iniciaServidor(ConfiguracaoServidor configuracao, quint16 portaServidor)
{
    configuracao.portaInicial = portaServidor;
    configuracao.portas = 1;
    configuracao.pasta = m_recebidos.path();
    configuracao.guardaBrutos = true;
    servidor = std::make_unique<ServidorUpload>(configuracao);
    if (servidor->inicia() != 1)
        qFatal("the test server cannot listen on %d", portaServidor);
    return *servidor;
}

void CenarioTransmissao::transmite(int avisos)
{
    caixas.responde(CaixaMensagem::Resposta::Sim);
    caixas.confirma(avisos);
    botao(*janela, "cmdTransmitir")->click();
}

QByteArray CenarioEnvio::conversaEsperada() const
{
    return QByteArray("Request#:PACKET") + "File~~~#:name~#:" + kNomePacote.toLatin1()
           + "*0000000114SSRE DE S\xC3O JO\xC3O DEL-REI*31045678ESCOLA ESTADUAL JO\xC3O E MARIA*PERIO"
           + "File~~~#:size~#:" + QByteArray::number(conteudo.size()) + conteudo;
}

int CenarioEnvio::registros() const
{
    return ambiente.valor(QStringLiteral("select count(*) from Historico")).toInt();
}

bool CenarioTransmissao::mostraDesconectado() const
{
    return rotulo(*janela, "imgConexao")->pixmap().toImage() == rotulo(*janela, "imgDesconectado")->pixmap().toImage();
}

bool CenarioTransmissao::mostraConectado() const
{
    return rotulo(*janela, "imgConexao")->pixmap().toImage() == rotulo(*janela, "imgConectado")->pixmap().toImage();
}
