// "diagnostico": what support asks first, read without taking the folder's
// lock or converting anything, then a connection to the first server port
// that opens, as a send would make it.
#include "cli/Comandos.h"
#include "cli/TerminalConsole.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Modulos.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "common/plataforma/PlataformaPoliticas.h"
#include "store/Banco.h"
#include "store/Configuracao.h"
#include "transfer/SondaServidor.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

// At most this many ports are tried: the range may be thousands long.
constexpr int kMaximoPortas = 10;

QString origemOuPadrao(const QString &origem)
{
    return origem.isEmpty() ? QStringLiteral("padrão") : origem;
}

QString presente(const QString &caminho, bool pasta)
{
    const QFileInfo info(caminho);
    return (pasta ? info.isDir() : info.isFile()) ? QStringLiteral("presente") : QStringLiteral("ausente");
}

// The diagnosis, line by line and field by field; the first obstacle to a
// send gives the exit status.
class Relato
{
public:
    explicit Relato(TerminalConsole &terminal)
        : m_terminal(terminal)
    {
    }

    void item(const QString &chave, const QString &rotulo, const QString &valor, const QString &detalhe = {})
    {
        m_terminal.saida(rotulo + QStringLiteral(": ") + valor
                         + (detalhe.isEmpty() ? QString() : QStringLiteral(" (") + detalhe + QLatin1Char(')')));
        QJsonObject campo{{QStringLiteral("valor"), valor}};
        if (!detalhe.isEmpty())
            campo.insert(QStringLiteral("detalhe"), detalhe);
        m_json.insert(chave, campo);
    }

    void obstaculo(int codigo, const QString &causa)
    {
        if (m_codigo != CodigosSaida::Sucesso)
            return;
        m_codigo = codigo;
        m_terminal.defineCausa(causa);
    }

    int conclui()
    {
        m_terminal.defineJson(m_json);
        return m_codigo;
    }

private:
    TerminalConsole &m_terminal;
    QJsonObject m_json;
    int m_codigo = CodigosSaida::Sucesso;
};

// The program's folder, where its value came from, the two files and the lock.
void relataPastaPrograma(const Instalacao &instalacao, Relato &relato)
{
    const QString &pasta = instalacao.pastaPrograma();
    // The default says which rule of the system chose it (Windows: the
    // portable edition's folder, or the one all users share).
    QString origemPasta = instalacao.origem(QStringLiteral("pasta"));
    if (origemPasta.isEmpty() && !instalacao.regraPastaPrograma().isEmpty())
        origemPasta = QStringLiteral("padrão: ") + instalacao.regraPastaPrograma();
    relato.item(QStringLiteral("pasta_programa"), QStringLiteral("pasta do programa"), pasta,
                origemOuPadrao(origemPasta));
    relato.item(QStringLiteral("arquivo_usuario"), QStringLiteral("arquivo de configuração do usuário"),
                instalacao.arquivoUsuario(), presente(instalacao.arquivoUsuario(), false));
    relato.item(QStringLiteral("arquivo_sistema"), QStringLiteral("arquivo de configuração do sistema"),
                instalacao.arquivoSistema(), presente(instalacao.arquivoSistema(), false));
    // Windows: what Group Policy sets, each value's line names it as its source.
    if (PlataformaPoliticas::existem()) {
        const QStringList dadas = instalacao.dadasPorPolitica();
        relato.item(QStringLiteral("politicas"), QStringLiteral("políticas"), PlataformaPoliticas::chave(),
                    dadas.isEmpty() ? QStringLiteral("nenhuma") : dadas.join(QStringLiteral(", ")));
    }

    // The lock, as the system lists it: nothing is locked to find out.
    const QString trava = pasta + QStringLiteral("/tavo-upload.lock");
    if (const std::optional<qint64> dono = PlataformaArquivos::donoDaTrava(trava)) {
        QFile arquivo(trava);
        const QStringList quem = arquivo.open(QIODevice::ReadOnly)
                                     ? QString::fromUtf8(arquivo.read(512)).split(QLatin1Char('\n')).mid(1, 2)
                                     : QStringList();
        relato.item(QStringLiteral("trava"), QStringLiteral("trava"), QStringLiteral("ocupada"),
                    QStringLiteral("processo %1 %2").arg(*dono).arg(quem.join(QLatin1Char(' '))).trimmed());
        relato.obstaculo(CodigosSaida::TenteDepois,
                         QStringLiteral("a pasta do programa está em uso pelo processo %1.").arg(*dono));
    } else if (QFileInfo(pasta).isDir() && !PlataformaArquivos::podeGravar(pasta)) {
        relato.item(QStringLiteral("trava"), QStringLiteral("trava"), QStringLiteral("não pode ser feita"),
                    QStringLiteral("a pasta do programa não pode ser gravada"));
        relato.obstaculo(CodigosSaida::SemTrava,
                         QStringLiteral("a pasta do programa \"%1\" não pode ser gravada.").arg(pasta));
    } else {
        relato.item(QStringLiteral("trava"), QStringLiteral("trava"), QStringLiteral("livre"), trava);
    }
}

// The local database, the server it holds and the transfer's options, as a
// send would use them; the settings when a server is stored.
std::optional<ConfiguracaoCliente> relataServidor(const Instalacao &instalacao,
                                                  const OpcoesTransferenciaLinha &transferencia, Relato &relato)
{
    // The local database, read only when it is already the program's own.
    const QString banco = instalacao.bancoLocal();
    std::optional<ConfiguracaoCliente> servidor;
    QString origemServidor = QStringLiteral("banco de dados local");
    if (!QFileInfo::exists(banco)) {
        relato.item(QStringLiteral("banco_local"), QStringLiteral("banco de dados local"), banco,
                    QStringLiteral("ausente: o modelo será posto no primeiro uso; para trazer o histórico do cliente "
                                   "anterior, use antes \"tavo-upload-cli converter --de <caminho do "
                                   "UploadCliente.mdb antigo>\""));
    } else {
        switch (formatoDoBanco(banco)) {
        case FormatoBanco::SQLite:
            relato.item(QStringLiteral("banco_local"), QStringLiteral("banco de dados local"), banco,
                        QStringLiteral("SQLite"));
            try {
                if (const std::optional<LinhaConfiguracao> linha = leConfiguracao(instalacao))
                    servidor = configuracaoDaLinha(*linha);
            } catch (const ErroTavo &erro) {
                relato.obstaculo(CodigosSaida::Falha,
                                 QStringLiteral("o banco de dados local não pôde ser lido: %1").arg(erro.descricao()));
            }
            break;
        case FormatoBanco::Jet:
            relato.item(QStringLiteral("banco_local"), QStringLiteral("banco de dados local"), banco,
                        QStringLiteral("do cliente anterior, aguardando conversão"));
            origemServidor = QStringLiteral("banco de dados do cliente anterior");
            break;
        default:
            relato.item(QStringLiteral("banco_local"), QStringLiteral("banco de dados local"), banco,
                        QStringLiteral("formato desconhecido"));
            relato.obstaculo(
                CodigosSaida::DadosInvalidos,
                QStringLiteral("o banco de dados local \"%1\" não é um banco de dados do programa.").arg(banco));
        }
    }

    // Settings the site manages are written into the local database at
    // every start: they are the ones a send will use.
    try {
        if (instalacao.servidorGerenciado())
            origemServidor = QStringLiteral("gerenciado pela instalação, ")
                             + instalacao.origem(QStringLiteral("servidor/gerenciado"));
    } catch (const ErroTavo &erro) {
        relato.obstaculo(CodigosSaida::Configuracao, erro.descricao());
    }

    // The server and the transfer's options, as a send would use them.
    // A value the command line gives in place of the site's is not an
    // obstacle: the send takes the line's (the same rule).
    ConfiguracaoCliente configuracao = servidor.value_or(ConfiguracaoCliente{});
    for (const ProblemaConfiguracao &problema : transferencia.aplica(configuracao, instalacao))
        relato.obstaculo(CodigosSaida::Configuracao, problema.mensagem);
    if (servidor) {
        relato.item(QStringLiteral("servidor"), QStringLiteral("servidor"),
                    QStringLiteral("%1, %2 porta(s) a partir de %3")
                        .arg(configuracao.IpServidor)
                        .arg(configuracao.QtdePortas)
                        .arg(configuracao.PortaInicial),
                    origemServidor);
    } else {
        relato.item(QStringLiteral("servidor"), QStringLiteral("servidor"), QStringLiteral("não configurado"),
                    origemServidor);
        if (formatoDoBanco(banco) != FormatoBanco::Jet)
            relato.obstaculo(CodigosSaida::Configuracao,
                             QStringLiteral("nenhuma configuração do servidor foi gravada; use \"tavo-upload-cli "
                                            "configurar\"."));
    }
    const auto origemOpcao = [&instalacao](const QString &daLinha, const char *chave) {
        return !daLinha.isEmpty()
                   ? QStringLiteral("linha de comando")
                   : origemOuPadrao(instalacao.origem(QStringLiteral("servidor/") + QLatin1String(chave)));
    };
    relato.item(QStringLiteral("proxy"), QStringLiteral("proxy (rota)"), configuracao.proxy.rota(),
                origemOpcao(transferencia.dadas().proxy, "proxy"));
    relato.item(QStringLiteral("tempo_conexao"), QStringLiteral("tempo de conexão"),
                QStringLiteral("%1 s").arg(configuracao.prazoConexao().count() / 1000),
                origemOpcao(transferencia.dadas().tempoConexao, "tempo_conexao"));
    relato.item(QStringLiteral("tempo_resposta"), QStringLiteral("tempo de resposta"),
                QStringLiteral("%1 s").arg(configuracao.prazoResposta().count() / 1000),
                origemOpcao(transferencia.dadas().tempoResposta, "tempo_resposta"));
    relato.item(QStringLiteral("tempo_sem_progresso"), QStringLiteral("tempo sem progresso"),
                QStringLiteral("%1 s").arg(configuracao.prazoSemProgresso().count() / 1000),
                origemOpcao(transferencia.dadas().tempoSemProgresso, "tempo_sem_progresso"));
    return servidor ? std::optional<ConfiguracaoCliente>(configuracao) : std::nullopt;
}

// The folders a send and a generation use, and drive a:.
struct PastasDeTrabalho
{
    QString escola;
    QString pacotes;
    bool gravaPacotes = false;
};
PastasDeTrabalho relataPastas(const Instalacao &instalacao, Relato &relato)
{
    const QString &pasta = instalacao.pastaPrograma();
    const QString escola = instalacao.local(Caminhos::bancoEscola());
    relato.item(QStringLiteral("banco_escola"), QStringLiteral("banco de dados da escola"), escola,
                presente(escola, false));
    // The packages' folder is the school application's: this user may not
    // be allowed to put a package there.
    const QString pacotes = QDir::cleanPath(instalacao.local(Caminhos::pastaPacotes()));
    const bool gravaPacotes = QFileInfo(pacotes).isDir() && PlataformaArquivos::podeGravar(pacotes);
    relato.item(QStringLiteral("pasta_pacotes"), QStringLiteral("pasta de pacotes"), pacotes,
                presente(pacotes, true)
                    + (!QFileInfo(pacotes).isDir() ? QString()
                       : gravaPacotes              ? QStringLiteral(", pode ser gravada")
                                                   : QStringLiteral(", não pode ser gravada por este usuário")));
    const QString trabalho = QDir::cleanPath(instalacao.local(Caminhos::pastaTrabalho()));
    relato.item(QStringLiteral("pasta_trabalho"), QStringLiteral("pasta de trabalho"), trabalho,
                presente(trabalho, true));
    // Windows: every user of the PC works in the program's folder and the
    // working folder.
    const auto usuarios = [&relato](const QString &chave, const QString &rotulo, const QString &caminho) {
        if (const std::optional<bool> modificam = PlataformaArquivos::usuariosModificam(caminho))
            relato.item(chave, QStringLiteral("usuários do PC na ") + rotulo,
                        *modificam ? QStringLiteral("podem modificar") : QStringLiteral("não podem modificar"),
                        *modificam ? QString()
                                   : QStringLiteral("um administrador concede com: ")
                                         + PlataformaArquivos::comandoQueConcede(caminho));
    };
    usuarios(QStringLiteral("usuarios_pasta_programa"), QStringLiteral("pasta do programa"), pasta);
    usuarios(QStringLiteral("usuarios_pasta_trabalho"), QStringLiteral("pasta de trabalho"), trabalho);
    const QString unidade = QDir::cleanPath(instalacao.local(Caminhos::unidadeDisquete()));
    const QFileInfo infoUnidade(unidade);
    relato.item(
        QStringLiteral("unidade_a"), QStringLiteral("unidade a:"), unidade,
        (infoUnidade.isDir() && infoUnidade.isReadable() ? QStringLiteral("pronta") : QStringLiteral("não pronta"))
            + QStringLiteral(", ") + origemOuPadrao(instalacao.origem(QStringLiteral("unidades/a"))));
    relato.item(QStringLiteral("log"), QStringLiteral("log"), pasta + QStringLiteral("/tavo-upload.log"));
    return {escola, pacotes, gravaPacotes};
}

void relataModulos(Relato &relato)
{
    // The program's modules, loaded as a send and a printing would load them
    // (nothing is called): a missing library shows here, not at the office.
    // Only the network's stops a send.
    const Modulos::Funcao rede = Modulos::doPrograma("tavo-rede", "tavo_cria_canal_tcp");
    const Modulos::Funcao impressao = Modulos::doPrograma("tavo-impressao", "tavo_impressora_padrao");
    QStringList faltam;
    for (const Modulos::Funcao &funcao : {rede, impressao})
        if (!funcao.endereco)
            faltam << funcao.motivo;
    relato.item(QStringLiteral("modulos"), QStringLiteral("módulos"),
                faltam.isEmpty() ? QStringLiteral("carregados") : QStringLiteral("não carregados"),
                faltam.join(QStringLiteral("; ")));
    if (!rede.endereco)
        relato.obstaculo(CodigosSaida::Falha, QStringLiteral("o módulo de rede não carrega: %1").arg(rede.motivo));
}

// What a generation lacks: the school database, a packages folder it can write.
void conferePastas(const PastasDeTrabalho &pastas, Relato &relato)
{
    if (!QFileInfo(pastas.escola).isFile())
        relato.obstaculo(CodigosSaida::DadosInvalidos,
                         QStringLiteral("o banco de dados da escola \"%1\" não existe.").arg(pastas.escola));
    if (!QFileInfo(pastas.pacotes).isDir())
        relato.obstaculo(CodigosSaida::EntradaSaida,
                         QStringLiteral("a pasta de pacotes \"%1\" não existe: \"gerar\" não tem onde pôr o pacote.")
                             .arg(pastas.pacotes));
    else if (!pastas.gravaPacotes)
        relato.obstaculo(CodigosSaida::EntradaSaida,
                         QStringLiteral("a pasta de pacotes \"%1\" não pode ser gravada por este usuário: \"gerar\" "
                                        "não tem onde pôr o pacote.")
                             .arg(pastas.pacotes));
}

// A connection to the first port that opens, as a send would make it.
void relataConexao(const ConfiguracaoCliente &configuracao, Relato &relato)
{
    // Last, the server itself.
    if (configuracao.QtdePortas > 0) {
        const SondagemServidor sondagem = sondaServidor(configuracao, kMaximoPortas);
        const QString tentadas = QStringLiteral("%1 de %2 porta(s) tentada(s), rota %3")
                                     .arg(sondagem.tentadas)
                                     .arg(configuracao.QtdePortas)
                                     .arg(sondagem.rota);
        if (sondagem.porta != 0) {
            relato.item(QStringLiteral("conexao"), QStringLiteral("conexão"),
                        QStringLiteral("%1:%2 aceitou").arg(configuracao.IpServidor).arg(sondagem.porta), tentadas);
        } else {
            relato.item(QStringLiteral("conexao"), QStringLiteral("conexão"), QStringLiteral("nenhuma porta aceitou"),
                        tentadas + QStringLiteral(": ") + sondagem.motivos);
            relato.obstaculo(CodigosSaida::SemServidor,
                             QStringLiteral("nenhuma porta do servidor aceitou a conexão (%1).").arg(sondagem.motivos));
        }
    }
}

} // namespace

QString ConsoleDiagnostico::descricao() const
{
    return QStringLiteral("Mostra o que o suporte pergunta primeiro: a pasta do programa e cada configuração com a "
                          "sua origem, os bancos de dados, as pastas, a unidade a:, a trava, o log, a rota e os "
                          "limites; depois tenta as portas do servidor na ordem de um envio (no máximo 10) e para na "
                          "primeira que aceita, sem enviar nada. Não toma a trava nem converte nada. Termina com 0 "
                          "quando um envio poderia ser feito; senão, com o código do primeiro obstáculo.");
}

int ConsoleDiagnostico::executa(const Instalacao &instalacao, TerminalConsole &terminal)
{
    // In this order: the first obstacle gives the exit status.
    Relato relato(terminal);
    relataPastaPrograma(instalacao, relato);
    const std::optional<ConfiguracaoCliente> servidor = relataServidor(instalacao, m_transferencia, relato);
    const PastasDeTrabalho pastas = relataPastas(instalacao, relato);
    relataModulos(relato);
    conferePastas(pastas, relato);
    if (servidor)
        relataConexao(*servidor, relato);
    return relato.conclui();
}
