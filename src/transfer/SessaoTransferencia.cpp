#include "transfer/SessaoTransferencia.h"

#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "package/ArquivosTrabalho.h"
#include "package/modAddZip.h"
#include "transfer/ControleSocket.h"
#include "transfer/Espera.h"
#include "transfer/MensagensCliente.h"
#include "transfer/MensagensServidor.h"

#include <QElapsedTimer>

using Mensagens::Icone;

namespace {

// Marks the session as transferring for as long as a transfer runs.
class EmCurso
{
public:
    explicit EmCurso(bool &emCurso)
        : m_emCurso(emCurso)
    {
        m_emCurso = true;
    }
    ~EmCurso() { m_emCurso = false; }
    EmCurso(const EmCurso &) = delete;
    EmCurso &operator=(const EmCurso &) = delete;

private:
    bool &m_emCurso;
};

const char *nomeDoDesfecho(Desfecho desfecho)
{
    switch (desfecho) {
    case Desfecho::Concluido:
        return "complete";
    case Desfecho::ConcluidoSemRegistro:
        return "complete, not recorded in the history";
    case Desfecho::SemPacote:
        return "no package to send";
    case Desfecho::PacoteDanificado:
        return "the package does not read back whole";
    case Desfecho::SemConexao:
        return "not connected";
    case Desfecho::Recusado:
        return "not complete, refused by the server";
    case Desfecho::Perdida:
        return "not complete, the connection lost";
    case Desfecho::PacoteAlterado:
        return "not complete, the package changed";
    case Desfecho::TempoEsgotado:
        return "not complete, a bound passed";
    case Desfecho::Cancelado:
        break;
    }
    return "not complete, cancelled";
}

} // namespace

QString textoPrazo(std::chrono::milliseconds prazo)
{
    if (prazo.count() % 1000 == 0)
        return QStringLiteral("%1 s").arg(prazo.count() / 1000);
    return QStringLiteral("%1 ms").arg(prazo.count());
}

SessaoTransferencia::SessaoTransferencia(const Instalacao &instalacao, Interlocutor &interlocutor, QObject *parent)
    : QObject(parent)
    , m_instalacao(instalacao)
    , m_interlocutor(interlocutor)
    , m_socket(new ControleSocket(this))
{
    // The socket's "connected" event does nothing of its own.
    connect(m_socket, &ControleSocket::dadosChegaram, this, &SessaoTransferencia::WindowsSocket_DataArrival);
    connect(m_socket, &ControleSocket::envioCompleto, this, &SessaoTransferencia::WindowsSocket_SendComplete);
    connect(m_socket, &ControleSocket::fechadoPeloServidor, this, &SessaoTransferencia::WindowsSocket_Close);
}

SessaoTransferencia::~SessaoTransferencia() = default;

ResultadoEnvio SessaoTransferencia::transmite(const ConfiguracaoCliente &servidor, const PacoteEscolhido &pacote,
                                              const IdentidadeEnvio &identidade)
{
    const EmCurso emCurso(m_emCurso);
    // A "Cancelar" pressed while nothing ran (or by the file choice's cancel)
    // must not end or colour this transfer.
    Cancelado = false;
    Expulso = false;
    AcessoNegado = false;
    Encerrando = false;
    m_etapa = "";
    m_causa.clear();
    m_ultimaMensagem.clear();
    m_expulsoNosDados = false;
    m_pacoteAlterado = false;
    m_bytesEntregues = 0;
    m_prazoEsgotado = nullptr;
    m_servidor = &servidor;
    m_resultado = {};
    m_resultado.enderecoUsado = servidor.IpServidor;
    m_resultado.rota = servidor.proxy.rota();

    QElapsedTimer duracao;
    duracao.start();
    qCInfo(lcTransferencia).noquote().nospace()
        << "Sending " << pacote.nome() << " (" << pacote.tamanho() << " bytes, school " << identidade.codigoEscola
        << ", type " << identidade.tipo << ") to " << servidor.IpServidor << ", " << servidor.QtdePortas
        << " port(s) from " << servidor.PortaInicial << ", route " << servidor.proxy.rota();
    const auto termina = [&] {
        m_servidor = nullptr;
        m_resultado.segundos = static_cast<double>(duracao.elapsed()) / 1000.0;
        qCInfo(lcTransferencia).noquote()
            << "Send of" << pacote.nome() << "ended:" << nomeDoDesfecho(m_resultado.desfecho) << "after"
            << duracao.elapsed() << "ms";
        return m_resultado;
    };

    const Esperado<Preparado, ResultadoEnvio> preparado = prepara(m_instalacao, pacote, m_interlocutor);
    if (!preparado) {
        m_resultado.desfecho = preparado.erro().desfecho;
        m_resultado.causa = preparado.erro().causa;
        return termina();
    }
    // Each way the connection or the transfer ends sets the result.
    if (ConectaServidor(servidor))
        TransmiteArquivo(pacote, *preparado, identidade);
    return termina();
}

Esperado<SessaoTransferencia::Preparado, ResultadoEnvio>
SessaoTransferencia::prepara(const Instalacao &instalacao, const PacoteEscolhido &pacote, Interlocutor &interlocutor)
{
    // What is announced and what is sent are this one package. The working
    // folder's copy is made again from the package's source when the folder
    // lost it.
    Preparado preparado;
    // Why nothing goes out, for the send's result.
    const auto semEnvio = [](Desfecho desfecho, const QString &causa) {
        ResultadoEnvio resultado;
        resultado.desfecho = desfecho;
        resultado.causa = causa;
        return resultado;
    };
    try {
        preparado.caminho = pacote.naPastaTrabalho(instalacao);
    } catch (const ErroTavo &erro) {
        qCWarning(lcTransferencia).noquote() << "Package not available to send:" << erro.relato();
        if (erro.numero() == Erros::ArquivoNaoEncontrado)
            interlocutor.avisa(QStringLiteral("O Arquivo não existe!"), Icone::Critico);
        else
            interlocutor.avisa(erro.texto(), Icone::Critico);
        return semEnvio(Desfecho::SemPacote, erro.descricao());
    }
    // A package that does not read back whole is never sent: the server
    // would take and record a package nobody can open.
    if (const ConferenciaPacote *guardada = pacote.conferenciaDe(instalacao, preparado.caminho)) {
        qCInfo(lcTransferencia).noquote() << "Package checked when chosen, unchanged since:" << pacote.nome();
        preparado.conferencia = *guardada;
    } else {
        preparado.conferencia = ConfereArquivoZip(instalacao, preparado.caminho);
    }
    ConferenciaPacote &conferencia = preparado.conferencia;
    if (conferencia.integro() && conferencia.tamanho != pacote.tamanho())
        conferencia.falha =
            ErroTavo(MotorZip::ArquivoInvalido, QStringLiteral("O pacote mudou de tamanho: ") + preparado.caminho);
    if (conferencia.integro()) {
        // The send reads this one handle: a file put under the name later is
        // not what goes out, and one changed in place is found by its digest.
        auto arquivo = std::make_shared<PlataformaArquivos::Arquivo>();
        if (const int codigo = arquivo->abreLeitura(instalacao.local(preparado.caminho)))
            conferencia.falha = erroDoSistema(codigo, preparado.caminho);
        preparado.arquivo = std::move(arquivo);
    }
    if (conferencia.falha) {
        qCWarning(lcTransferencia).noquote()
            << "Package not sent: it does not read back whole:" << conferencia.falha->relato();
        interlocutor.avisa(QStringLiteral("A transferência falhou. A conexão foi perdida."), Icone::Critico,
                           QStringLiteral("Erro na transferência."));
        return semEnvio(Desfecho::PacoteDanificado,
                        QStringLiteral("O pacote não se lê inteiro: ") + conferencia.falha->descricao());
    }
    return preparado;
}

bool SessaoTransferencia::ConectaServidor(const ConfiguracaoCliente &servidor)
{
    ControleSocket &socket = *m_socket;
    Espera espera(socket, [this] { return Cancelado || Encerrando; });

    // Each port tried and why it did not do, for the log.
    QStringList tentadas;
    QStringList tentadasUsuario;
    qint64 porta = servidor.PortaInicial;
    for (int tentativa = 1; tentativa <= servidor.QtdePortas; ++tentativa, ++porta) {
        socket.fecha();
        socket.conecta(servidor.IpServidor, porta, servidor.proxy);
        m_resultado.portaUsada = porta >= 1 && porta <= 65535 ? static_cast<quint16>(porta) : 0;
        m_resultado.rota = socket.rota();
        qCInfo(lcTransferencia).noquote().nospace() << "Connecting to " << servidor.IpServidor << ':' << porta
                                                    << " via " << socket.rota() << " (attempt " << tentativa << ')';
        Q_EMIT status(QStringLiteral("Status: Conectando... Tentativa número ") + QString::number(tentativa));

        const FimEspera fim =
            espera.ate([&socket] { return !socket.conectando(); }, servidor.prazoConexao(), Espera::Modo::Conexao);
        if (fim == FimEspera::Cancelada || fim == FimEspera::Interrompida) {
            // "Cancelar" (or the program closing) stops the attempts; the
            // cancel has already shown the disconnected state.
            qCInfo(lcTransferencia) << "Connection attempts stopped:"
                                    << (fim == FimEspera::Cancelada ? "cancelled" : "the program is closing");
            socket.fecha();
            falhou(Desfecho::Cancelado, fim == FimEspera::Cancelada
                                            ? QStringLiteral("O envio foi cancelado ao conectar.")
                                            : QStringLiteral("O programa foi encerrado ao conectar."));
            return false;
        }
        if (fim == FimEspera::Esgotada)
            socket.fecha(); // an address that never answers: this attempt failed
        if (socket.conectado()) {
            qCInfo(lcTransferencia).noquote().nospace() << "Connected to " << servidor.IpServidor << ':' << porta
                                                        << " via " << socket.rota() << " (attempt " << tentativa << ')';
            Q_EMIT status(QStringLiteral("Status: Conectado! Iniciando a Transferência..."));
            Q_EMIT conexao(true);
            return true;
        }
        QString motivo;
        QString motivoUsuario;
        if (porta < 1 || porta > 65535) {
            motivo = QStringLiteral("not a port number");
            motivoUsuario = QStringLiteral("não é um número de porta");
        } else if (fim == FimEspera::Esgotada) {
            motivo = QStringLiteral("timed out: no answer within %1 ms (tempo_conexao)")
                         .arg(servidor.prazoConexao().count());
            motivoUsuario = QStringLiteral("tempo esgotado: nenhuma resposta em %1 (tempo_conexao)")
                                .arg(textoPrazo(servidor.prazoConexao()));
        } else {
            motivo = socket.erro().isEmpty() ? QStringLiteral("not connected") : socket.erro();
            motivoUsuario = motivo;
        }
        const QString endereco = servidor.IpServidor + QLatin1Char(':') + QString::number(porta);
        tentadas.append(endereco + QStringLiteral(" (") + motivo + QLatin1Char(')'));
        tentadasUsuario.append(endereco + QStringLiteral(" (") + motivoUsuario + QLatin1Char(')'));
    }

    socket.fecha();
    qCWarning(lcTransferencia).noquote() << "No connection to the server; tried:"
                                         << (tentadas.isEmpty() ? QStringLiteral("no port (the settings give none)")
                                                                : tentadas.join(QStringLiteral(", ")))
                                         << "- route:" << m_resultado.rota;
    falhou(Desfecho::SemConexao,
           QStringLiteral("Nenhuma porta do servidor aceitou a conexão (rota %1): %2.")
               .arg(m_resultado.rota, tentadasUsuario.isEmpty() ? QStringLiteral("nenhuma porta configurada")
                                                                : tentadasUsuario.join(QStringLiteral(", "))));
    m_interlocutor.avisa(QStringLiteral("Não foi possível conectar ao servidor.\r\nTente novamente."), Icone::Critico,
                         QStringLiteral("Erro de conexão."));
    Q_EMIT status(QStringLiteral("Status: Desconectado."));
    Q_EMIT conexao(false);
    return false;
}

void SessaoTransferencia::cancela()
{
    Cancelado = true;
    WindowsSocket_Close();
    m_socket->fecha();
    Q_EMIT status(QStringLiteral("Status: Desconectado."));
    Q_EMIT arquivoEmEnvio(QString());
    Q_EMIT progresso(0);
    RespostaPacote = 0;
}

void SessaoTransferencia::encerra()
{
    if (!m_emCurso)
        return;
    Encerrando = true;
    m_socket->fecha();
}

void SessaoTransferencia::WindowsSocket_Close()
{
    Q_EMIT conexao(false);
    Q_EMIT progresso(0);
}

void SessaoTransferencia::WindowsSocket_SendComplete()
{
    Enviando = false;
}

void SessaoTransferencia::WindowsSocket_DataArrival()
{
    ControleSocket &socket = *m_socket;
    socket.leitor().acrescenta(socket.leTudo());
    while (const auto mensagem = socket.leitor().proxima())
        aplicaMensagemServidor(*mensagem);
}

void SessaoTransferencia::aplicaMensagemServidor(const MensagemServidor &mensagem)
{
    using Codigo = MensagemServidor::Codigo;
    m_ultimaMensagem = mensagem.texto;
    const bool semArgumento =
        (mensagem.codigo == Codigo::Pacote || mensagem.codigo == Codigo::Pendencia) && !mensagem.argumento;
    if (semArgumento) {
        // Not a whole number in range: the answer cannot be trusted either
        // way, so it is ignored like an unknown message; the wait for a
        // proper answer ends by its bound.
        qCWarning(lcTransferencia).noquote() << "Server message with a malformed argument ignored:" << mensagem.texto;
        return;
    }
    switch (mensagem.codigo) {
    case Codigo::Pacote:
        if (*mensagem.argumento < MensagensCliente::PacoteMinimo) {
            qCWarning(lcTransferencia).noquote() << "Packet size denied by the server:" << mensagem.texto;
            m_interlocutor.avisa(
                QStringLiteral("The packet size your requesting has been denied by the server. The packet size is now "
                               "set to optimum size. When ready please click on 'Start Transfer' once again."),
                Icone::Critico, QStringLiteral("Packet Dinied"));
            RespostaPacote = 0;
        } else {
            RespostaPacote = 1;
        }
        break;
    case Codigo::Pendencia:
        RespostaArquivo = *mensagem.argumento;
        break;
    case Codigo::Negado:
        qCWarning(lcTransferencia).noquote() << "Access denied by the server:" << mensagem.texto;
        AcessoNegado = true;
        m_interlocutor.avisa(QStringLiteral("The server denied access to connect."), Icone::Critico,
                             QStringLiteral("Unable to connect"));
        Q_EMIT conexao(false);
        m_socket->fecha();
        break;
    case Codigo::Aceito:
        Q_EMIT conexao(true);
        break;
    case Codigo::Expulsao:
        qCWarning(lcTransferencia).noquote() << "The server dropped this client:" << mensagem.texto;
        Expulso = true;
        m_expulsoNosDados = m_bytesEntregues > 0;
        break;
    case Codigo::Desconhecido:
        break;
    }
}

bool ConfereEnvio(const QString &codigoEscola, bool tipoEscolhido, Interlocutor &interlocutor)
{
    if (codigoEscola.isEmpty() || codigoEscola.size() != 8) {
        interlocutor.avisa(QStringLiteral("O Arquivo não pode ser enviado porque o código da escola não é válido."),
                           Icone::Critico);
        return false;
    }
    if (!tipoEscolhido) {
        interlocutor.avisa(QStringLiteral("Escolha o Tipo de Transmissão"), Icone::Informacao,
                           QStringLiteral("Tipo de Transmissão"));
        return false;
    }
    return true;
}
