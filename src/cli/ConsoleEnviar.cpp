// "enviar": the package of today or the one given, sent without a question,
// and tried again when no server could be reached or the connection was lost
// before the package went out whole.
#include "cli/Comandos.h"
#include "cli/TerminalConsole.h"
#include "common/ArquivoIni.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Log.h"
#include "common/Relogio.h"
#include "intake/SelecaoPacote.h"
#include "package/Pedacos.h"
#include "package/StatusZip.h"
#include "package/modAddZip.h"
#include "store/Configuracao.h"
#include "transfer/MensagensCliente.h"
#include "transfer/SessaoTransferencia.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <cmath>

using Mensagens::Icone;

namespace {

// Whether a path given on the command line is in the program's form ("c:\...").
bool naFormaDoPrograma(const QString &argumento)
{
    static const QRegularExpression unidade(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    return unidade.match(argumento).hasMatch();
}

// A path given on the command line: one in the program's form stays as it
// is; any other is taken from the current folder.
QString caminhoEscolhido(const QString &argumento)
{
    return naFormaDoPrograma(argumento) ? argumento : QFileInfo(argumento).absoluteFilePath();
}

// Why a path given with --pacote is refused, if it is: a control character
// anywhere would name another file than the one shown (a newline ends the
// line a log or a script reads), and a backslash in the file's own name
// would be announced as the part after it. A backslash between folders of a
// path in the program's form ("c:\...") is that form's own.
Esperado<void> caminhoRecusado(const QString &caminho)
{
    for (const QChar c : caminho) {
        if (c.category() == QChar::Other_Control)
            return usoIncorreto(QStringLiteral("O caminho da opção --pacote tem um caractere de controle: \"%1\".")
                                    .arg(ArquivoIni::textoEscapado(caminho.toUtf8())));
    }
    const QString nome =
        naFormaDoPrograma(caminho) ? Caminhos::nomeArquivo(caminho) : caminho.section(QLatin1Char('/'), -1);
    if (nome.contains(QLatin1Char('\\')))
        return usoIncorreto(
            QStringLiteral("O nome do arquivo da opção --pacote não pode ter barra invertida (\\): \"%1\".").arg(nome));
    return {};
}

// The exit status of a school or a type that the send's checks refused.
int recusaDoEnvio(bool tipoEscolhido)
{
    return tipoEscolhido ? CodigosSaida::DadosInvalidos : CodigosSaida::UsoIncorreto;
}

// Today's package of the school in the school database, made by "gerar";
// the exit status instead when there is none to send.
Esperado<PacoteEscolhido, int> pacoteDeHoje(const Instalacao &instalacao, bool tipoEscolhido, DadosEscola &escola,
                                            TerminalConsole &terminal)
{
    try {
        escola = ConsultaDadosEscola(instalacao.local(Caminhos::bancoEscola())).value_or(DadosEscola{});
    } catch (const ErroTavo &erro) {
        // No school, no package name: the check below says the code is not valid.
        qCWarning(lcBanco).noquote() << "School database not read:" << instalacao.local(Caminhos::bancoEscola()) << "-"
                                     << erro.relato();
    }
    if (!ConfereEnvio(escola.codigoEscola, tipoEscolhido, terminal)) {
        if (tipoEscolhido)
            terminal.defineCausa(QStringLiteral("o banco de dados da escola \"%1\" não identifica a escola.")
                                     .arg(instalacao.local(Caminhos::bancoEscola())));
        return recusaDoEnvio(tipoEscolhido);
    }
    const QString pacote = NomePacote(escola.codigoEscola, Relogio::agora().date());
    if (!QFileInfo(instalacao.local(pacote)).isFile()) {
        terminal.avisa(QStringLiteral("O Arquivo não existe!"), Icone::Critico);
        terminal.defineCausa(QStringLiteral("o pacote de hoje \"%1\" não existe; ele é feito por \"gerar\".")
                                 .arg(QDir::cleanPath(instalacao.local(pacote))));
        return CodigosSaida::DadosInvalidos;
    }
    // The package folder is its source, and its name and size.
    PacoteEscolhido escolhido =
        PacoteEscolhido::comOrigem(instalacao, pacote, pacote, escola.codigoEscola, escola.escola);
    // What will go out is read back whole now, as a package chosen with
    // --pacote is; the send takes this check while the file stays as it is.
    const auto preparado = SessaoTransferencia::prepara(instalacao, escolhido, terminal);
    if (!preparado) {
        terminal.defineCausa(QStringLiteral("o pacote \"%1\" não pôde ser lido por inteiro.")
                                 .arg(QDir::cleanPath(instalacao.local(pacote))));
        return CodigosSaida::DadosInvalidos;
    }
    escolhido.guardaConferencia(preparado->conferencia);
    return escolhido;
}

// The package given, after the steps of "..."; the exit status instead when
// it cannot be sent.
Esperado<PacoteEscolhido, int> pacoteEscolhido(const Instalacao &instalacao, const QString &caminho, bool tipoEscolhido,
                                               DadosEscola &escola, TerminalConsole &terminal)
{
    SelecaoPacote selecao(instalacao, caminhoEscolhido(caminho), terminal);
    QObject::connect(&selecao, &SelecaoPacote::mensagem, &selecao,
                     [&terminal](const QString &texto) { terminal.progresso(texto); });
    QObject::connect(&selecao, &SelecaoPacote::progressoZip, &selecao,
                     [&terminal](const EventoZip &evento) { terminal.progresso(LinhaEvento(evento)); });
    QObject::connect(&selecao, &SelecaoPacote::escolaIdentificada, &selecao,
                     [&escola](const std::optional<DadosEscola> &lida) { escola = lida.value_or(DadosEscola{}); });
    const SelecaoPacote::Resultado resultado = selecao.executa();
    terminal.progresso({});
    if (!resultado.pronto) {
        // A person must change the disks: without one, nothing is chosen.
        terminal.defineCausa(resultado.causa);
        return resultado.cancelada ? CodigosSaida::Falha : CodigosSaida::DadosInvalidos;
    }
    if (!ConfereEnvio(escola.codigoEscola, tipoEscolhido, terminal))
        return recusaDoEnvio(tipoEscolhido);
    return resultado.pacote;
}

// The exit status of a send, and its cause told.
int codigoDoEnvio(const ResultadoEnvio &resultado, TerminalConsole &terminal)
{
    if (!resultado.causa.isEmpty())
        terminal.defineCausa(resultado.causa);
    switch (resultado.desfecho) {
    case Desfecho::Concluido:
        return CodigosSaida::Sucesso;
    case Desfecho::ConcluidoSemRegistro:
        return CodigosSaida::NaoRegistrado;
    case Desfecho::SemPacote:
    case Desfecho::PacoteDanificado:
    case Desfecho::PacoteAlterado:
        return CodigosSaida::DadosInvalidos;
    case Desfecho::SemConexao:
        return CodigosSaida::SemServidor;
    case Desfecho::Recusado:
        return CodigosSaida::Recusado;
    case Desfecho::Perdida:
    case Desfecho::TempoEsgotado:
        // Once every byte went out the server may hold the package whole:
        // it is never sent again, and nothing says it arrived.
        if (resultado.pacoteSaiuInteiro) {
            terminal.defineCausa(resultado.causa
                                 + QStringLiteral(" O pacote saiu inteiro: o servidor pode tê-lo recebido; não o "
                                                  "envie de novo sem conferir."));
            return CodigosSaida::NaoRegistrado;
        }
        return CodigosSaida::TenteDepois;
    case Desfecho::Cancelado:
        break;
    }
    return CodigosSaida::Falha;
}

// How long the k-th retry waits: the interval doubled at each retry, at most
// 16 times the interval, times a random factor from 0.5 to 1.5 (offices that
// failed together do not all come back at the same moment).
std::chrono::milliseconds pausaAntes(int repeticao, int intervalo)
{
    const double base = intervalo * std::min(16.0, std::pow(2.0, repeticao - 1));
    const double fator = 0.5 + QRandomGenerator::global()->generateDouble();
    return std::chrono::milliseconds(static_cast<qint64>(base * fator * 1000.0));
}

} // namespace

QString ConsoleEnviar::descricao() const
{
    return QStringLiteral("Envia ao servidor, sem perguntar, o pacote de hoje feito por \"gerar\", ou o ARQUIVO "
                          "indicado (um .zip ou o primeiro pedaço .001), e grava o envio no histórico com o seu "
                          "recibo. O pacote é lido por inteiro e conferido antes da conexão, e o que sai é "
                          "exatamente o que foi conferido: um pacote que muda durante o envio interrompe a conexão "
                          "antes do último pedaço e termina com 65.");
}

QList<QCommandLineOption> ConsoleEnviar::opcoes() const
{
    return QList<QCommandLineOption>{
               opcao(QStringLiteral("tipo"), QStringLiteral("periodica|anual"),
                     QStringLiteral("O tipo de transmissão: manutenção periódica, ou anual (após o fechamento do "
                                    "ano).")),
               opcao(QStringLiteral("pacote"), QStringLiteral("ARQUIVO"),
                     QStringLiteral("O pacote a enviar em vez do de hoje: um caminho deste sistema (relativo à "
                                    "pasta atual) ou da forma c:\\... Sem caracteres de controle, e sem barra "
                                    "invertida no nome do arquivo.")),
               opcao(QStringLiteral("tentativas"), QStringLiteral("N"),
                     QStringLiteral("Tenta até N vezes (padrão 1) quando nenhuma porta atende (69) ou a conexão cai "
                                    "antes de o pacote sair inteiro (75); nunca depois de o pacote sair inteiro.")),
               opcao(QStringLiteral("intervalo"), QStringLiteral("S"),
                     QStringLiteral("Espera S segundos (padrão 30) antes da 2ª tentativa, o dobro a cada nova, no "
                                    "máximo 16×S, vezes um fator ao acaso de 0,5 a 1,5."))}
           + OpcoesTransferenciaLinha::opcoes();
}

Esperado<void> ConsoleEnviar::le(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("tipo"))) {
        const QString tipo = tipoDigitado(parser.value(QStringLiteral("tipo")));
        if (tipo != QLatin1String("periodica") && tipo != QLatin1String("anual"))
            return usoIncorreto(QStringLiteral("O tipo de transmissão é \"periodica\" ou \"anual\", não \"%1\".")
                                    .arg(parser.value(QStringLiteral("tipo"))));
        m_periodica = tipo == QLatin1String("periodica");
    }
    if (parser.isSet(QStringLiteral("pacote"))) {
        m_pacote = parser.value(QStringLiteral("pacote"));
        if (m_pacote.trimmed().isEmpty())
            return usoIncorreto(QStringLiteral("A opção --pacote precisa do nome de um arquivo."));
        if (const auto falha = caminhoRecusado(m_pacote); !falha)
            return falha;
    }
    std::optional<int> valor;
    if (const auto falha = numero(parser, QStringLiteral("tentativas"), 1, 100, valor); !falha)
        return falha;
    m_tentativas = valor.value_or(m_tentativas);
    valor.reset();
    if (const auto falha = numero(parser, QStringLiteral("intervalo"), 0, 3600, valor); !falha)
        return falha;
    m_intervalo = valor.value_or(m_intervalo);
    return m_transferencia.le(parser);
}

int ConsoleEnviar::executa(const Instalacao &instalacao, TerminalConsole &terminal)
{
    terminal.defineResultados({QStringLiteral("A transferência do arquivo foi concluída com sucesso!")});
    // The settings loaded as the window's start loads them; with none stored
    // (the greeting) there is no server to send to, which is said once the
    // package is found ready, where the window's send would find no port.
    ConfiguracaoCliente configuracao;
    if (!CarregaConfiguracaoInicio(configuracao, instalacao, terminal)) {
        terminal.defineCausa(QStringLiteral("o banco de dados local não pôde ser lido."));
        return CodigosSaida::Falha;
    }
    // A value of the site configuration that cannot be used stops the send,
    // unless the command line gives that one.
    for (const ProblemaConfiguracao &problema : m_transferencia.aplica(configuracao, instalacao)) {
        terminal.falha(problema.mensagem);
        terminal.defineCausa(
            QStringLiteral("o valor de %1 na configuração da instalação não pode ser usado.").arg(problema.chave));
        return CodigosSaida::Configuracao;
    }
    // Either way the package is read back whole before it goes.
    if (!InicializaComponenteZip(terminal)) {
        terminal.defineCausa(QStringLiteral("a biblioteca de ZIP não pôde ser carregada."));
        return CodigosSaida::Falha;
    }

    DadosEscola escola;
    const Esperado<PacoteEscolhido, int> pacote =
        m_pacote.isEmpty() ? pacoteDeHoje(instalacao, m_periodica.has_value(), escola, terminal)
                           : pacoteEscolhido(instalacao, m_pacote, m_periodica.has_value(), escola, terminal);
    if (!pacote)
        return pacote.erro();

    if (configuracao.QtdePortas <= 0) {
        terminal.defineCausa(QStringLiteral("nenhuma configuração do servidor foi gravada; use \"tavo-upload-cli "
                                            "configurar\"."));
        return CodigosSaida::Configuracao;
    }

    const IdentidadeEnvio identidade{escola.codigoSRE, escola.sre, escola.codigoEscola, escola.escola,
                                     MensagensCliente::tipoTransmissao(m_periodica.value_or(true))};
    QElapsedTimer relogio;
    relogio.start();
    for (int tentativa = 1;; ++tentativa) {
        SessaoTransferencia sessao(instalacao, terminal);
        QObject::connect(&sessao, &SessaoTransferencia::status, &sessao,
                         [&terminal](const QString &texto) { terminal.progresso(texto); });
        const ResultadoEnvio resultado = sessao.transmite(configuracao, *pacote, identidade);
        terminal.progresso({});
        const int codigo = codigoDoEnvio(resultado, terminal);
        const bool repete = CodigosSaida::valeRepetir(codigo) && tentativa < m_tentativas;
        if (!repete) {
            if (codigo != CodigosSaida::Sucesso && codigo != CodigosSaida::NaoRegistrado)
                return codigo;
            // The receipt of the bytes that went out.
            terminal.defineJson({{QStringLiteral("pacote"), pacote->nome()},
                                 {QStringLiteral("bytes"), resultado.bytes},
                                 {QStringLiteral("sha256"), QString::fromLatin1(resultado.sha256.toHex())},
                                 {QStringLiteral("codigo_escola"), escola.codigoEscola},
                                 {QStringLiteral("escola"), escola.escola},
                                 {QStringLiteral("tipo"), identidade.tipo},
                                 {QStringLiteral("endereco"), resultado.enderecoUsado},
                                 {QStringLiteral("porta"), resultado.portaUsada},
                                 {QStringLiteral("rota"), resultado.rota},
                                 {QStringLiteral("tentativas"), tentativa},
                                 {QStringLiteral("segundos"), relogio.elapsed() / 1000.0},
                                 {QStringLiteral("registrado"), codigo == CodigosSaida::Sucesso}});
            return codigo;
        }
        const std::chrono::milliseconds pausa = pausaAntes(tentativa, m_intervalo);
        qCInfo(lcTransferencia).noquote() << "Send attempt" << tentativa << "of" << m_tentativas << "ended with"
                                          << codigo << "- trying again in" << pausa.count() << "ms";
        terminal.esqueceMensagens();
        terminal.progresso(QStringLiteral("Nova tentativa em %1 s...").arg((pausa.count() + 999) / 1000));
        QThread::msleep(static_cast<unsigned long>(pausa.count()));
        terminal.progresso({});
    }
}
