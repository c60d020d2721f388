#include "transfer/SessaoTransferencia.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "transfer/ControleSocket.h"
#include "transfer/Espera.h"
#include "transfer/MensagensCliente.h"
#include "transfer/ProgressoEnvio.h"
#include "transfer/RegistroEnvio.h"

#include "package/ResumoSha256.h"

#include <QElapsedTimer>

#include <array>
#include <string_view>

// The conversation of one transfer on the open connection and its data
// phase (the session's other half is in SessaoTransferencia.cpp).

using Mensagens::Icone;

namespace {

// How often the data phase refreshes its progress when the percentage stays.
constexpr qint64 kIntervaloExibicaoMs = 100;
// The data phase reads the file this much at a time (32 pieces), into a
// ring of this many blocks.
constexpr qint64 kBlocoLeitura = 64 * 1024;
constexpr qint64 kBlocosLidos = 4;

// Why a wait of the transfer ended before its condition held, for the log.
QString causaDaEspera(FimEspera fim, std::chrono::milliseconds limite, const ControleSocket &socket)
{
    switch (fim) {
    case FimEspera::Esgotada:
        return QStringLiteral("timed out: nothing within %1 ms").arg(limite.count());
    case FimEspera::Fechada:
        return socket.erro().isEmpty() ? QStringLiteral("connection closed")
                                       : QStringLiteral("connection closed: ") + socket.erro();
    case FimEspera::Cancelada:
        return QStringLiteral("cancelled");
    case FimEspera::Interrompida:
        return QStringLiteral("the program is closing");
    case FimEspera::Pronta:
        break;
    }
    return {};
}

} // namespace

// A wait that ended before its condition held, or a data phase that did
// not complete. The tests go in this order: the program closing, a cancel, a
// package changed since its check, a kick, a denial (already told, before
// the data), and a lost connection.
// The connection is closed by then, from this side or the other; it is
// shown as the peer's close is (`fecha` raises no close event).
void SessaoTransferencia::terminaSemConcluir(bool faseDeDados)
{
    ControleSocket &socket = *m_socket;
    if (Encerrando)
        qCInfo(lcTransferencia) << "Transfer stopped: the program is closing";
    else if (Cancelado)
        qCInfo(lcTransferencia).noquote() << "Transfer cancelled while" << m_etapa;
    else if (m_pacoteAlterado)
        qCWarning(lcTransferencia).noquote()
            << "Transfer aborted while" << m_etapa << "- the package changed since its check:" << m_causa;
    else if (Expulso)
        qCWarning(lcTransferencia).noquote()
            << "Transfer failed while" << m_etapa << "- the server dropped this client:" << m_ultimaMensagem;
    else if (AcessoNegado && !faseDeDados)
        qCWarning(lcTransferencia).noquote()
            << "Transfer failed while" << m_etapa << "- access denied by the server:" << m_ultimaMensagem;
    else
        qCWarning(lcTransferencia).noquote() << "Transfer failed while" << m_etapa << "-" << m_causa;

    if (Encerrando)
        falhou(Desfecho::Cancelado, QStringLiteral("O programa foi encerrado durante o envio."));
    else if (Cancelado)
        falhou(Desfecho::Cancelado, QStringLiteral("O envio foi cancelado."));
    else if (m_pacoteAlterado)
        falhou(Desfecho::PacoteAlterado,
               QStringLiteral("O pacote mudou depois de conferido (%1): o envio foi interrompido antes do fim.")
                   .arg(m_resultado.causa));
    else if (Expulso && m_expulsoNosDados)
        falhou(Desfecho::Perdida, QStringLiteral("O servidor encerrou a conexão durante o envio dos dados (%1).")
                                      .arg(QString::fromLatin1(m_ultimaMensagem)));
    else if (Expulso)
        falhou(Desfecho::Recusado, QStringLiteral("O servidor encerrou a conexão antes dos dados (%1).")
                                       .arg(QString::fromLatin1(m_ultimaMensagem)));
    else if (AcessoNegado && !faseDeDados)
        falhou(Desfecho::Recusado,
               QStringLiteral("O servidor negou o acesso (%1).").arg(QString::fromLatin1(m_ultimaMensagem)));
    else if (m_prazoEsgotado && std::string_view(m_prazoEsgotado) == "tempo_sem_progresso")
        falhou(Desfecho::TempoEsgotado, QStringLiteral("Tempo esgotado: o envio ficou %1 sem progresso (%2).")
                                            .arg(textoPrazo(m_duracaoEsgotada), QLatin1String(m_prazoEsgotado)));
    else if (m_prazoEsgotado)
        falhou(Desfecho::TempoEsgotado, QStringLiteral("Tempo esgotado: o servidor não respondeu em %1 (%2).")
                                            .arg(textoPrazo(m_duracaoEsgotada), QLatin1String(m_prazoEsgotado)));
    else
        falhou(Desfecho::Perdida, (faseDeDados ? QStringLiteral("A conexão foi perdida durante o envio dos dados (%1).")
                                               : QStringLiteral("A conexão foi perdida antes dos dados (%1)."))
                                      .arg(m_causa));

    if (Encerrando) {
        socket.fecha();
    } else if (Cancelado) {
        m_interlocutor.avisa(QStringLiteral("A conexão foi cancelada."), Icone::Informacao,
                             QStringLiteral("Conexão Cancelada."));
    } else if (m_pacoteAlterado) {
        // The box of an unreadable package; the connection is already aborted.
        m_interlocutor.avisa(QStringLiteral("A transferência falhou. A conexão foi perdida."), Icone::Critico,
                             QStringLiteral("Erro na transferência."));
    } else if (Expulso) {
        m_interlocutor.avisa(QStringLiteral("A transferência falhou. A conexão foi cancelada pelo servidor."),
                             Icone::Exclamacao, QStringLiteral("Falha na transferência."));
        socket.fecha();
    } else if (AcessoNegado && !faseDeDados) {
        socket.fecha();
    } else {
        m_interlocutor.avisa(QStringLiteral("A transferência falhou. A conexão foi perdida."), Icone::Critico,
                             QStringLiteral("Erro na transferência."));
        socket.fecha();
    }
    Cancelado = false;
    Expulso = false;
    if (!Encerrando) {
        WindowsSocket_Close();
        Q_EMIT status(QStringLiteral("Status: Desconectado"));
    }
}

// A wait of the transfer: for an answer of the server, or for a send to be
// handed over (the settings' bound of progress). When the application is quitting
// (its event loops were told to end) the transfer ends as if the program
// were closing.
FimEspera SessaoTransferencia::aguarda(Espera &espera, std::chrono::milliseconds limite, const char *chave,
                                       const std::function<bool()> &condicao)
{
    const FimEspera fim = espera.ate(condicao, limite);
    if (fim == FimEspera::Interrompida)
        Encerrando = true;
    if (fim == FimEspera::Esgotada) {
        m_prazoEsgotado = chave;
        m_duracaoEsgotada = limite;
    }
    return fim;
}

void SessaoTransferencia::falhou(Desfecho desfecho, const QString &causa)
{
    m_resultado.desfecho = desfecho;
    m_resultado.causa = causa;
}

void SessaoTransferencia::registraEConclui(const QString &nome, const IdentidadeEnvio &identidade)
{
    qCInfo(lcTransferencia).noquote() << "Transfer complete:" << nome;
    QString falhaRegistro;
    try {
        // The receipt: the bytes that went out and their digest.
        RegistraEnvio(m_instalacao, {nome, identidade.codigoEscritorio, identidade.codigoEscola, identidade.tipo,
                                     m_resultado.bytes, m_resultado.sha256});
        qCInfo(lcHistorico).noquote() << "Send recorded in the history:" << nome << "school" << identidade.codigoEscola
                                      << "type" << identidade.tipo;
    } catch (const ErroTavo &erro) {
        qCWarning(lcHistorico).noquote() << "Send of" << nome << "not recorded in the history:" << erro.relato();
        falhaRegistro = erro.descricao();
    }
    m_resultado.desfecho = falhaRegistro.isNull() ? Desfecho::Concluido : Desfecho::ConcluidoSemRegistro;
    m_resultado.pacoteSaiuInteiro = true;
    if (!falhaRegistro.isNull())
        m_resultado.causa =
            QStringLiteral("O arquivo foi enviado, mas o envio não pôde ser gravado no histórico: ") + falhaRegistro;
    // The send did succeed; a record that could not be written is told
    // right after, never kept silent.
    m_interlocutor.avisa(QStringLiteral("A transferência do arquivo foi concluída com sucesso!"), Icone::Informacao,
                         QStringLiteral("Transferência OK!"));
    if (!falhaRegistro.isNull())
        m_interlocutor.avisa(QStringLiteral("O arquivo foi enviado, mas o envio não pôde ser gravado no histórico.\r\n")
                                 + falhaRegistro,
                             Icone::Exclamacao, QStringLiteral("Histórico não gravado."));
    Q_EMIT status(QStringLiteral("Status: Desconectado"));
    Q_EMIT conexao(false);
    Q_EMIT arquivoEmEnvio(QString());
    Q_EMIT progresso(0);
    m_socket->fecha();
}

// The last byte handed to the system is not yet the last byte the server
// has: a connection dropped now loses what the system still holds (megabytes
// on a fast link). The send is complete once the server's system has
// acknowledged every byte without resetting the connection; a server that
// closes as soon as it has read the whole file closes it cleanly. Where the
// system does not tell, handing the bytes over is all there is to know.
bool SessaoTransferencia::entregue(Espera &espera)
{
    using Entrega = ControleSocket::Entrega;
    ControleSocket &socket = *m_socket;
    m_etapa = "waiting for the server to acknowledge the last bytes";
    socket.acompanhaEntrega(true);
    const FimEspera fim = aguarda(espera, m_servidor->prazoSemProgresso(), "tempo_sem_progresso",
                                  [&socket] { return socket.entrega() != Entrega::EmCurso; });
    socket.acompanhaEntrega(false);
    if (fim == FimEspera::Esgotada)
        socket.fecha(); // no progress for too long: the connection counts as lost
    if (fim != FimEspera::Pronta && fim != FimEspera::Fechada) {
        m_causa = causaDaEspera(fim, m_servidor->prazoSemProgresso(), socket);
        return false;
    }
    // A server that says it dropped this client did not take the file.
    const Entrega entrega = socket.entrega();
    if (Expulso || entrega == Entrega::Entregue || entrega == Entrega::Desconhecida)
        return !Expulso;
    m_causa = QStringLiteral("the connection was reset before the server's system acknowledged every byte")
              + (socket.erro().isEmpty() ? QString() : QStringLiteral(": ") + socket.erro());
    return false;
}

void SessaoTransferencia::TransmiteArquivo(const PacoteEscolhido &pacote, const Preparado &preparado,
                                           const IdentidadeEnvio &identidade)
{
    ControleSocket &socket = *m_socket;
    Espera espera(socket, [this] { return Cancelado || Encerrando; });

    RespostaPacote = 2;
    m_etapa = "waiting for the packet size answer";
    socket.envia(MensagensCliente::pedidoPacote());
    FimEspera fim =
        aguarda(espera, m_servidor->prazoResposta(), "tempo_resposta", [this] { return RespostaPacote != 2; });
    if (fim == FimEspera::Cancelada || fim == FimEspera::Interrompida) {
        // The cancel has shown the disconnected state; nothing more is said.
        qCInfo(lcTransferencia).noquote()
            << "Transfer stopped while" << m_etapa << "-" << causaDaEspera(fim, m_servidor->prazoResposta(), socket);
        if (Encerrando)
            socket.fecha();
        falhou(Desfecho::Cancelado, Encerrando ? QStringLiteral("O programa foi encerrado durante o envio.")
                                               : QStringLiteral("O envio foi cancelado."));
        Cancelado = false;
        Expulso = false;
        return;
    }
    if (fim != FimEspera::Pronta) {
        m_causa = causaDaEspera(fim, m_servidor->prazoResposta(), socket);
        terminaSemConcluir(false);
        return;
    }
    if (RespostaPacote == 0) {
        // Packet size denied (logged as it came): the connection stays as it is.
        falhou(Desfecho::Recusado, QStringLiteral("O servidor recusou o tamanho de pacote pedido (%1).")
                                       .arg(QString::fromLatin1(m_ultimaMensagem)));
        return;
    }

    RespostaArquivo = 2;
    Q_EMIT status(QStringLiteral("Enviando arquivo..."));
    m_etapa = "sending the file header";
    Enviando = true;
    socket.envia(MensagensCliente::cabecalhoArquivo({pacote.nome(), identidade.codigoEscritorio, identidade.escritorio,
                                                     identidade.codigoEscola, identidade.escola, identidade.tipo}));
    fim = aguarda(espera, m_servidor->prazoSemProgresso(), "tempo_sem_progresso", [this] { return !Enviando; });
    if (fim != FimEspera::Pronta) {
        m_causa = causaDaEspera(fim, m_servidor->prazoSemProgresso(), socket);
        terminaSemConcluir(false);
        return;
    }

    m_etapa = "waiting for the answer to the file's size";
    Enviando = true;
    socket.envia(MensagensCliente::cabecalhoTamanho(pacote.tamanho()));
    Q_EMIT status(QStringLiteral("Esperando resposta..."));
    fim = aguarda(espera, m_servidor->prazoResposta(), "tempo_resposta", [this] { return RespostaArquivo != 2; });
    if (fim != FimEspera::Pronta) {
        m_causa = causaDaEspera(fim, m_servidor->prazoResposta(), socket);
        terminaSemConcluir(false);
        return;
    }
    if (RespostaArquivo == 0) {
        qCWarning(lcTransferencia).noquote() << "File refused by the server:" << m_ultimaMensagem;
        falhou(Desfecho::Recusado,
               QStringLiteral("O servidor recusou o arquivo (%1).").arg(QString::fromLatin1(m_ultimaMensagem)));
        m_interlocutor.avisa(QStringLiteral("O arquivo foi recusado pelo servidor."), Icone::Critico,
                             QStringLiteral("Erro na transferência."));
        return;
    }

    bool completo = false;
    try {
        completo = EnviaArquivo(espera, preparado, pacote.tamanho());
    } catch (const ErroTavo &erro) {
        // An unreadable package counts as a lost transfer; the server keeps
        // no more of it than it has.
        socket.fecha();
        m_causa = erro.relato();
        completo = false;
    }
    if (!completo) {
        terminaSemConcluir(true);
        return;
    }
    registraEConclui(pacote.nome(), identidade);
}

// The data phase. The file comes from the handle opened by the check's
// preparation, a block at a time, and goes out in pieces of 2048 bytes; the
// blocks are digested as they go. Only the announced size is read: a file
// that ends before it, or whose bytes do not digest to the check's, was
// changed since its check, and the connection is aborted before its last
// piece goes out, so the server never holds a whole file that is not the
// one checked.
bool SessaoTransferencia::EnviaArquivo(Espera &espera, const Preparado &preparado, qint64 tamanho)
{
    ControleSocket &socket = *m_socket;
    PlataformaArquivos::Arquivo &arquivo = *preparado.arquivo;
    m_etapa = "sending the file's data";
    Q_EMIT arquivoEmEnvio(QStringLiteral("Enviando Arquivo...") + Caminhos::nomeArquivo(preparado.caminho));

    // The file is read a block at a time into a ring of blocks; each one is
    // digested on a thread of its own while its pieces go out, and reused
    // once its digest is done.
    std::array<QByteArray, kBlocosLidos> blocos;
    for (QByteArray &bloco : blocos)
        bloco.resize(kBlocoLeitura);
    ResumoParalelo resumo;
    qint64 blocosLidos = 0;
    const char *atual = nullptr; // the block whose pieces go out, and what of it went
    qint64 enviadosDoBloco = 0;
    qint64 noBloco = 0;
    qint64 lidosDoArquivo = 0;
    // The next block, whole (the last one has the rest of the size), or
    // false: the file ended first.
    const auto leBloco = [&] {
        QByteArray &bloco = blocos[static_cast<size_t>(blocosLidos % kBlocosLidos)];
        if (blocosLidos >= kBlocosLidos)
            resumo.aguarda(blocosLidos - kBlocosLidos);
        const qint64 esperado = qMin(kBlocoLeitura, tamanho - lidosDoArquivo);
        qint64 n = 0;
        while (n < esperado) {
            qint64 lidos = 0;
            if (const int codigo = arquivo.le(bloco.data() + n, esperado - n, lidos))
                throw ErroTavo(Erros::FalhaArquivo, PlataformaArquivos::textoDoSistema(codigo), preparado.caminho);
            if (lidos == 0) {
                lidosDoArquivo += n;
                return false;
            }
            n += lidos;
        }
        lidosDoArquivo += n;
        resumo.acrescenta(bloco.constData(), n);
        ++blocosLidos;
        atual = bloco.constData();
        enviadosDoBloco = 0;
        noBloco = n;
        return true;
    };

    QByteArray enviado; // the digest of every byte, once all were read
    qint64 s = 0;
    // The bar and the status line show a step when its percentage is new,
    // when they were last refreshed a moment ago or more, and at the last
    // step. Showing every 2048-byte step repainted them tens of thousands of
    // times a second and made the window, not the network, set the pace.
    QElapsedTimer desdeAExibicao;
    int percentualExibido = -1;
    for (;;) {
        Enviando = true;
        s += MensagensCliente::TamanhoPeca;
        // The step after the last byte shows the final line and sends
        // nothing (a size that is a multiple of the piece ends with a step
        // that has nothing left).
        const bool ultimo = s > tamanho;
        const qint64 aEnviar = ProgressoEnvio::bytesDoPasso(s, tamanho);
        if (aEnviar > 0 && enviadosDoBloco == noBloco && !leBloco())
            return pacoteAlterado(
                QStringLiteral("the file ends at byte %1 of the %2 announced").arg(lidosDoArquivo).arg(tamanho),
                QStringLiteral("o arquivo acabou no byte %1 dos %2 anunciados").arg(lidosDoArquivo).arg(tamanho));
        // Only a step with bytes left needs the connection: a server that
        // closes once it has the whole file got it all.
        if (aEnviar > 0 && !socket.conectado()) {
            m_causa = QStringLiteral("connection closed after %1 of %2 bytes")
                          .arg(s - MensagensCliente::TamanhoPeca)
                          .arg(tamanho)
                      + (socket.erro().isEmpty() ? QString() : QStringLiteral(": ") + socket.erro());
            return false;
        }
        if (enviado.isNull() && s >= tamanho) {
            // Every byte is digested and the last piece not yet out.
            enviado = resumo.resultado();
            if (enviado != preparado.conferencia.sha256)
                return pacoteAlterado(QStringLiteral("the bytes read do not have the checked SHA-256"),
                                      QStringLiteral("os bytes lidos não têm o SHA-256 conferido"));
        }

        const int valor = ProgressoEnvio::valorDoPasso(s, tamanho);
        if (ultimo || valor != percentualExibido || !desdeAExibicao.isValid()
            || desdeAExibicao.hasExpired(kIntervaloExibicaoMs)) {
            // The step's text is made only when it is shown.
            const ProgressoEnvio::Passo passo = ProgressoEnvio::passo(s, tamanho);
            Q_EMIT progresso(passo.valor);
            Q_EMIT status(passo.texto);
            percentualExibido = passo.valor;
            desdeAExibicao.start();
        }
        if (aEnviar > 0) {
            socket.envia(QByteArray::fromRawData(atual + enviadosDoBloco, aEnviar));
            enviadosDoBloco += aEnviar;
            m_bytesEntregues += aEnviar;
            const FimEspera fim =
                aguarda(espera, m_servidor->prazoSemProgresso(), "tempo_sem_progresso", [this] { return !Enviando; });
            if (fim == FimEspera::Esgotada)
                socket.fecha(); // no progress for too long: the connection counts as lost
            if (fim != FimEspera::Pronta) {
                m_causa = causaDaEspera(fim, m_servidor->prazoSemProgresso(), socket)
                          + QStringLiteral(", at byte %1 of %2").arg(s - MensagensCliente::TamanhoPeca).arg(tamanho);
                return false;
            }
            espera.cede();
        } else {
            Enviando = false; // nothing left for the wire
        }
        if (ultimo) {
            // Every byte is with the system: from here on the server may
            // hold the whole package, whatever comes after.
            m_resultado.pacoteSaiuInteiro = true;
            m_resultado.bytes = tamanho;
            m_resultado.sha256 = enviado;
            return entregue(espera);
        }
    }
}

bool SessaoTransferencia::pacoteAlterado(const QString &causa, const QString &causaUsuario)
{
    m_pacoteAlterado = true;
    m_causa = causa;
    m_resultado.causa = causaUsuario;
    // At once: what the server has is short of the size it was told.
    m_socket->fecha();
    return false;
}
