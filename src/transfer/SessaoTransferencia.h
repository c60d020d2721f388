#pragma once

#include "package/PacoteEscolhido.h"
#include "store/Configuracao.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <variant>

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
    enum class Fim {
        Concluida,            // the whole file reached the server, the send recorded
        ConcluidaSemRegistro, // the whole file reached the server; the record could not be written (told)
        SemPacote,            // no package to send ("O Arquivo não existe!")
        PacoteDanificado,     // the package does not read back whole: no connection was tried
        SemConexao,           // no port answered, or "Cancelar" stopped the attempts
        NaoConcluida          // packet denied, file refused, cancelled, kicked, lost
    };

    // The file a send puts out and its check.
    struct Preparado
    {
        QString caminho; // the package in the working folder (program form)
        ConferenciaPacote conferencia;
    };

    explicit SessaoTransferencia(Interlocutor &interlocutor, QObject *parent = nullptr);
    ~SessaoTransferencia() override;

    // Before any connection: the file a send of `pacote` puts out (its copy
    // in the working folder, made again from its source when the folder lost
    // it), read back whole, each entry's CRC tested and the file's digest
    // taken. A check that `pacote` keeps of that very file, unchanged since,
    // stands for the read. When there is no such file, or it does not read
    // back whole, the user is told as a send tells it, and the end of the send
    // (SemPacote, PacoteDanificado) comes back instead.
    static std::variant<Preparado, Fim> prepara(const PacoteEscolhido &pacote, Interlocutor &interlocutor);

    // Prepares the package (see prepara), connects to the server of the
    // settings `servidor` (its address, QtdePortas ports from PortaInicial)
    // and runs the transfer. Every wait is bounded; the user is told how it
    // ended.
    Fim transmite(const ConfiguracaoCliente &servidor, const PacoteEscolhido &pacote,
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
    bool EnviaArquivo(Espera &espera, const QString &caminho, qint64 tamanho);
    bool entregue(Espera &espera);
    FimEspera aguarda(Espera &espera, std::chrono::milliseconds limite, const std::function<bool()> &condicao);
    void terminaSemConcluir(bool faseDeDados);
    void registraEConclui(const QString &nome, const IdentidadeEnvio &identidade, qint64 tamanho,
                          const QByteArray &sha256);

    void WindowsSocket_DataArrival();
    void WindowsSocket_SendComplete();
    void WindowsSocket_Close();
    void aplicaMensagemServidor(const MensagemServidor &mensagem);

    Interlocutor &m_interlocutor;
    ControleSocket *m_socket;
    bool m_emCurso = false;
    Fim m_fim = Fim::NaoConcluida;

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

    // For the log: what the transfer was doing, why it stopped short, and
    // the server's last message.
    const char *m_etapa = "";
    QString m_causa;
    QByteArray m_ultimaMensagem;
};

// The checks before a transfer: the school code has exactly 8 characters
// and a transmission type was chosen; otherwise the user is told why.
bool ConfereEnvio(const QString &codigoEscola, bool tipoEscolhido, Interlocutor &interlocutor);
