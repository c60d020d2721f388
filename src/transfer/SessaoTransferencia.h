#pragma once

#include "common/Esperado.h"
#include "common/Instalacao.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "package/PacoteEscolhido.h"
#include "store/Configuracao.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class ControleSocket;
class Espera;
class Interlocutor;
struct MensagemServidor;
enum class FimEspera;

// Who the package is: the identity the file header carries.
struct IdentidadeEnvio
{
    QString codigoEscritorio;
    QString escritorio;
    QString codigoEscola;
    QString escola;
    QString tipo; // "PERIO" or "ANUAL"
};

// How a send ended, in the detail a script needs to act on it.
enum class Desfecho {
    Concluido,            // the whole package reached the server, the send recorded
    ConcluidoSemRegistro, // the whole package reached the server; its record could not be written
    SemPacote,            // no package to send: nothing was tried
    PacoteDanificado,     // the package does not read back whole: nothing was tried
    SemConexao,           // no port accepted a connection (the proxy's refusal included)
    Recusado,             // packet size denied, access denied, file refused, or a kick before the data
    Perdida,              // the connection was lost, or the server kicked this client, during the data
    PacoteAlterado,       // the file changed after its check: cut short, or other bytes; the connection aborted
    TempoEsgotado,        // a bound passed once connected
    Cancelado,            // "Cancelar", or the program closing
};

// How a send ended (SessaoTransferencia::transmite), and its detail.
struct ResultadoEnvio
{
    Desfecho desfecho = Desfecho::SemPacote;
    // One Portuguese line on why the send did not complete (the bound and
    // its seconds, the ports and route tried, the server's refusal); on
    // success, empty, or why the record could not be written.
    QString causa;
    // Every byte of the package was handed to the system: from then on the
    // server may hold it whole, whatever came after, so the send must never
    // be repeated. True for Concluido and ConcluidoSemRegistro; it can be
    // true for Perdida and TempoEsgotado too (the end of a send that could
    // not be confirmed).
    bool pacoteSaiuInteiro = false;
    // The server's address and port of the connection used (of the last
    // attempt when none was made; 0 when none was tried) and its route
    // ("direct", "socks5 usuario@host:porta", ...; never a password).
    QString enderecoUsado;
    quint16 portaUsada = 0;
    QString rota;
    // The bytes that went out and their SHA-256 (32 bytes): set once the
    // whole package went out, digested as it went.
    qint64 bytes = 0;
    QByteArray sha256;
    // How long the send took, from the package's check to the end.
    double segundos = 0;
};

// One transfer of the chosen package to the upload server: the connection
// with its port rotation, the conversation of the protocol (packet request,
// file header, size header, the file in pieces), the record of a complete
// send in the local database and every message to the user. It owns the
// socket control and the transfer's state; what the user sees of it comes
// out through its signals and the interlocutor.
class SessaoTransferencia : public QObject
{
    Q_OBJECT

public:
    // The file a send puts out and its check. The file is opened once,
    // right after its check, and the send reads it from that one handle: a
    // file put in its place under the same name is not what goes out.
    struct Preparado
    {
        QString caminho; // the package in the working folder (program form)
        ConferenciaPacote conferencia;
        std::shared_ptr<PlataformaArquivos::Arquivo> arquivo;
    };

    SessaoTransferencia(const Instalacao &instalacao, Interlocutor &interlocutor, QObject *parent = nullptr);
    ~SessaoTransferencia() override;

    // Before any connection: the file a send of `pacote` puts out (its copy
    // in the working folder, made again from its source when the folder lost
    // it), read back whole, each entry's CRC tested and the file's digest
    // taken. A check that `pacote` keeps of that very file, unchanged since,
    // stands for the read. When there is no such file, or it does not read
    // back whole, the user is told as a send tells it, and the send's result
    // (SemPacote, PacoteDanificado, with the user's line on why) comes back
    // instead.
    static Esperado<Preparado, ResultadoEnvio> prepara(const Instalacao &instalacao, const PacoteEscolhido &pacote,
                                                       Interlocutor &interlocutor);

    // Prepares the package (see prepara), connects to the server of the
    // settings `servidor` (its address, QtdePortas ports from PortaInicial,
    // through its proxy) and runs the transfer. Every wait is bounded by the
    // settings' bounds; the user is told how it ended, and the result
    // holds the detail.
    ResultadoEnvio transmite(const ConfiguracaoCliente &servidor, const PacoteEscolhido &pacote,
                             const IdentidadeEnvio &identidade);

    // "Cancelar", usable at any time: ends a running transfer (its waits see
    // the flag and the closed connection) and shows the disconnected state.
    void cancela();
    // The program is closing: a running transfer ends at once, without a
    // message and without a record.
    void encerra();
    bool emCurso() const { return m_emCurso; }

    // The socket control ("WindowsSocket").
    ControleSocket &socket() { return *m_socket; }

Q_SIGNALS:
    // The status line ("Status: Conectando... Tentativa número 1", ...).
    void status(const QString &texto);
    // The transfer's progress, 0 to 100.
    void progresso(int valor);
    // "Enviando Arquivo..." and the file's name; empty when no file goes out.
    void arquivoEmEnvio(const QString &texto);
    // The connection's picture: connected or not.
    void conexao(bool conectado);

private:
    bool ConectaServidor(const ConfiguracaoCliente &servidor);
    void TransmiteArquivo(const PacoteEscolhido &pacote, const Preparado &preparado, const IdentidadeEnvio &identidade);
    bool EnviaArquivo(Espera &espera, const Preparado &preparado, qint64 tamanho);
    // The data phase read the file short of its size, or bytes whose digest
    // is not the check's: the connection is aborted before the last piece.
    // `causa` for the log, `causaUsuario` for the send's detail.
    bool pacoteAlterado(const QString &causa, const QString &causaUsuario);
    bool entregue(Espera &espera);
    // `chave` names the bound for the cause ("tempo_resposta", ...).
    FimEspera aguarda(Espera &espera, std::chrono::milliseconds limite, const char *chave,
                      const std::function<bool()> &condicao);
    void terminaSemConcluir(bool faseDeDados);
    // Sets the detail of a send that ended before completing.
    void falhou(Desfecho desfecho, const QString &causa);
    void registraEConclui(const QString &nome, const IdentidadeEnvio &identidade);

    void WindowsSocket_DataArrival();
    void WindowsSocket_SendComplete();
    void WindowsSocket_Close();
    void aplicaMensagemServidor(const MensagemServidor &mensagem);

    const Instalacao m_instalacao;
    Interlocutor &m_interlocutor;
    ControleSocket *m_socket;
    bool m_emCurso = false;

    // Packet answer (2 waiting, 1 granted, 0 denied or cancelled), file
    // answer (2 waiting, 0 refused, else go ahead), and the flags.
    int RespostaPacote = 0;
    int RespostaArquivo = 0;
    bool Cancelado = false;
    bool Enviando = false;
    bool Expulso = false;
    // "denied" arrived during the transfer that runs.
    bool AcessoNegado = false;
    // The program is closing: the running transfer ends without a message.
    bool Encerrando = false;
    // The data phase had handed bytes to the system when a kick came.
    bool m_expulsoNosDados = false;
    // The file read during the data phase was not the one checked.
    bool m_pacoteAlterado = false;
    // Bytes of the package handed to the system so far.
    qint64 m_bytesEntregues = 0;
    // The bound that passed last (its key name and length), for the cause.
    const char *m_prazoEsgotado = nullptr;
    std::chrono::milliseconds m_duracaoEsgotada{0};
    // The settings of the running send (its bounds).
    const ConfiguracaoCliente *m_servidor = nullptr;
    ResultadoEnvio m_resultado;

    // For the log: what the transfer was doing, why it stopped short, and
    // the server's last message.
    const char *m_etapa = "";
    QString m_causa;
    QByteArray m_ultimaMensagem;
};

// A bound as the causes write it: "120 s", or "300 ms" when not whole
// seconds.
QString textoPrazo(std::chrono::milliseconds prazo);

// The checks before a transfer: the school code has exactly 8 characters
// and a transmission type was chosen; otherwise the user is told why.
bool ConfereEnvio(const QString &codigoEscola, bool tipoEscolhido, Interlocutor &interlocutor);
