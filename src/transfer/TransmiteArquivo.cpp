#include "transfer/TransmiteArquivo.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "package/PacoteEscolhido.h"
#include "shell/frmPrincipal.h"
#include "transfer/Cancelamento.h"
#include "transfer/ControleSocket.h"
#include "transfer/Espera.h"
#include "transfer/MensagensCliente.h"
#include "transfer/ProgressoEnvio.h"
#include "transfer/RegistroEnvio.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

// How often the data phase refreshes its progress when the percentage stays.
constexpr qint64 kIntervaloExibicaoMs = 100;

void mostraStatus(frmPrincipal &janela, const QString &texto)
{
    janela.lblstatus->setText(texto);
}

// A wait that ended before its condition held, or a data phase that did
// not complete. The tests go in this order: the window closing, a cancel, a
// kick, a denial (already told, before the data), and a lost connection.
// The connection is closed by then, from this side or the other; the window
// shows it as the peer's close does (`fecha` raises no close event).
void terminaSemConcluir(frmPrincipal &janela, bool faseDeDados)
{
    ControleSocket &socket = *janela.WindowsSocket;
    if (janela.Encerrando) {
        socket.fecha();
    } else if (janela.Cancelado) {
        CaixaMensagem::aviso(QStringLiteral("A conexão foi cancelada."), CaixaMensagem::Icone::Informacao,
                             QStringLiteral("Conexão Cancelada."));
    } else if (janela.Expulso) {
        CaixaMensagem::aviso(QStringLiteral("A transferência falhou. A conexão foi cancelada pelo servidor."),
                             CaixaMensagem::Icone::Exclamacao, QStringLiteral("Falha na transferência."));
        socket.fecha();
    } else if (janela.AcessoNegado && !faseDeDados) {
        socket.fecha();
    } else {
        CaixaMensagem::aviso(QStringLiteral("A transferência falhou. A conexão foi perdida."),
                             CaixaMensagem::Icone::Critico, QStringLiteral("Erro na transferência."));
        socket.fecha();
    }
    janela.Cancelado = false;
    janela.Expulso = false;
    if (!janela.Encerrando) {
        WindowsSocket_Close(janela);
        mostraStatus(janela, QStringLiteral("Status: Desconectado"));
    }
}

MensagensCliente::Identidade identidadeDoEnvio(const frmPrincipal &janela, const QString &nome, const QString &tipo)
{
    return {nome,
            janela.txtCodigoSRE->text(),
            janela.txtSRE->text(),
            janela.txtCodigoEscola->text(),
            janela.txtEscola->text(),
            tipo};
}

// A wait of the transfer: for an answer of the server, or for a send to be
// handed over (LimitesEspera::progresso). When the application is quitting
// (its event loops were told to end) the transfer ends as if the window were
// closing.
FimEspera aguarda(frmPrincipal &janela, Espera &espera, std::chrono::milliseconds limite,
                  const std::function<bool()> &condicao)
{
    const FimEspera fim = espera.ate(condicao, limite);
    if (fim == FimEspera::Interrompida)
        janela.Encerrando = true;
    return fim;
}

void registraEConclui(frmPrincipal &janela, const QString &nome, const QString &tipo)
{
    QString falhaRegistro;
    try {
        RegistraEnvio({nome, janela.txtCodigoSRE->text(), janela.txtCodigoEscola->text(), tipo});
    } catch (const ErroTavo &erro) {
        falhaRegistro = erro.descricao();
    }
    // The send did succeed; a record that could not be written is told
    // right after, never kept silent.
    CaixaMensagem::aviso(QStringLiteral("A transferência do arquivo foi concluída com sucesso!"),
                         CaixaMensagem::Icone::Informacao, QStringLiteral("Transferência OK!"));
    if (!falhaRegistro.isNull())
        CaixaMensagem::aviso(
            QStringLiteral("O arquivo foi enviado, mas o envio não pôde ser gravado no histórico.\r\n") + falhaRegistro,
            CaixaMensagem::Icone::Exclamacao, QStringLiteral("Histórico não gravado."));
    mostraStatus(janela, QStringLiteral("Status: Desconectado"));
    janela.imgConexao->setPixmap(janela.imgDesconectado->pixmap());
    janela.lblsendingfile->clear();
    janela.ProgressTransfer->setValue(0);
    janela.WindowsSocket->fecha();
}

// The last byte handed to the system is not yet the last byte the server
// has: a connection dropped now loses what the system still holds (megabytes
// on a fast link). The send is complete once the server's system has
// acknowledged every byte without resetting the connection; a server that
// closes as soon as it has read the whole file closes it cleanly. Where the
// system does not tell, handing the bytes over is all there is to know.
bool entregue(frmPrincipal &janela, Espera &espera)
{
    using Entrega = ControleSocket::Entrega;
    ControleSocket &socket = *janela.WindowsSocket;
    socket.acompanhaEntrega(true);
    const FimEspera fim = aguarda(janela, espera, LimitesEspera::progresso(),
                                  [&socket] { return socket.entrega() != Entrega::EmCurso; });
    socket.acompanhaEntrega(false);
    if (fim == FimEspera::Esgotada)
        socket.fecha(); // no progress for too long: the connection counts as lost
    if (fim != FimEspera::Pronta && fim != FimEspera::Fechada)
        return false;
    // A server that says it dropped this client did not take the file.
    const Entrega entrega = socket.entrega();
    return !janela.Expulso && (entrega == Entrega::Entregue || entrega == Entrega::Desconhecida);
}

} // namespace

void TransmiteArquivo(frmPrincipal &janela, const PacoteEscolhido &pacote, const QString &caminho)
{
    ControleSocket &socket = *janela.WindowsSocket;
    Espera espera(socket, [&janela] { return janela.Cancelado || janela.Encerrando; });
    espera.acordaCom(janela.cmdCancelar, &QPushButton::clicked);
    const QString tipo = MensagensCliente::tipoTransmissao(janela.optTipoTrasmissao[0]->isChecked());

    janela.RespostaPacote = 2;
    socket.envia(MensagensCliente::pedidoPacote());
    FimEspera fim =
        aguarda(janela, espera, LimitesEspera::resposta(), [&janela] { return janela.RespostaPacote != 2; });
    if (fim == FimEspera::Cancelada || fim == FimEspera::Interrompida) {
        // The cancel has shown the disconnected state; nothing more is said.
        if (janela.Encerrando)
            socket.fecha();
        janela.Cancelado = false;
        janela.Expulso = false;
        return;
    }
    if (fim != FimEspera::Pronta) {
        terminaSemConcluir(janela, false);
        return;
    }
    if (janela.RespostaPacote == 0)
        return; // packet size denied: the connection stays as it is

    janela.RespostaArquivo = 2;
    mostraStatus(janela, QStringLiteral("Enviando arquivo..."));
    janela.Enviando = true;
    socket.envia(MensagensCliente::cabecalhoArquivo(identidadeDoEnvio(janela, pacote.nome(), tipo)));
    fim = aguarda(janela, espera, LimitesEspera::progresso(), [&janela] { return !janela.Enviando; });
    if (fim != FimEspera::Pronta) {
        terminaSemConcluir(janela, false);
        return;
    }

    janela.Enviando = true;
    socket.envia(MensagensCliente::cabecalhoTamanho(pacote.tamanho()));
    mostraStatus(janela, QStringLiteral("Esperando resposta..."));
    fim = aguarda(janela, espera, LimitesEspera::resposta(), [&janela] { return janela.RespostaArquivo != 2; });
    if (fim != FimEspera::Pronta) {
        terminaSemConcluir(janela, false);
        return;
    }
    if (janela.RespostaArquivo == 0) {
        CaixaMensagem::aviso(QStringLiteral("O arquivo foi recusado pelo servidor."), CaixaMensagem::Icone::Critico,
                             QStringLiteral("Erro na transferência."));
        return;
    }

    bool completo = false;
    try {
        completo = EnviaArquivo(janela, espera, caminho, pacote.tamanho());
    } catch (const ErroTavo &) {
        completo = false; // an unreadable package counts as a lost transfer
    }
    if (!completo) {
        terminaSemConcluir(janela, true);
        return;
    }
    registraEConclui(janela, pacote.nome(), tipo);
}

bool EnviaArquivo(frmPrincipal &janela, Espera &espera, const QString &caminho, qint64 tamanho)
{
    ControleSocket &socket = *janela.WindowsSocket;
    QFile arquivo(Caminhos::local(caminho));
    if (!arquivo.open(QIODevice::ReadOnly))
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + caminho);
    janela.lblsendingfile->setText(QStringLiteral("Enviando Arquivo...") + Caminhos::nomeArquivo(caminho));

    QByteArray buffer(MensagensCliente::TamanhoPeca, '\0');
    qint64 s = 0;
    // The bar and the status line show a step when its percentage is new,
    // when they were last refreshed a moment ago or more, and at the last
    // step. Showing every 2048-byte step repainted them tens of thousands of
    // times a second and made the window, not the network, set the pace.
    QElapsedTimer desdeAExibicao;
    int percentualExibido = -1;
    for (;;) {
        janela.Enviando = true;
        const qint64 lidos = arquivo.read(buffer.data(), buffer.size());
        if (lidos < 0)
            throw ErroTavo(Erros::FalhaArquivo, arquivo.errorString());
        s += MensagensCliente::TamanhoPeca;
        const qint64 aEnviar = qMin(ProgressoEnvio::bytesDoPasso(s, tamanho), lidos);
        // Only a step with bytes left needs the connection: a server that
        // closes once it has the whole file got it all (a size that is a
        // multiple of the piece ends with a step that reads nothing).
        if (aEnviar > 0 && !socket.conectado())
            return false;

        const int valor = ProgressoEnvio::valorDoPasso(s, tamanho);
        const bool ultimo = lidos < MensagensCliente::TamanhoPeca;
        if (ultimo || valor != percentualExibido || !desdeAExibicao.isValid()
            || desdeAExibicao.hasExpired(kIntervaloExibicaoMs)) {
            // The step's text is made only when it is shown.
            const ProgressoEnvio::Passo passo = ProgressoEnvio::passo(s, tamanho);
            janela.ProgressTransfer->setValue(passo.valor);
            mostraStatus(janela, passo.texto);
            percentualExibido = passo.valor;
            desdeAExibicao.start();
        }
        if (aEnviar > 0) {
            socket.envia(QByteArray::fromRawData(buffer.constData(), aEnviar));
            const FimEspera fim =
                aguarda(janela, espera, LimitesEspera::progresso(), [&janela] { return !janela.Enviando; });
            if (fim == FimEspera::Esgotada)
                socket.fecha(); // no progress for too long: the connection counts as lost
            if (fim != FimEspera::Pronta)
                return false;
            espera.cede();
        } else {
            janela.Enviando = false; // nothing left for the wire
        }
        // A short read is the end of the file (a last full piece is
        // followed by a step that reads nothing).
        if (lidos < MensagensCliente::TamanhoPeca)
            return entregue(janela, espera);
    }
}
