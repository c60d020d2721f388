#include "transfer/ConectaServidor.h"

#include "common/CaixaMensagem.h"
#include "common/Erro.h"
#include "common/Interface.h"
#include "shell/TarefaExclusiva.h"
#include "shell/frmPrincipal.h"
#include "store/Configuracao.h"
#include "transfer/ControleSocket.h"
#include "transfer/Espera.h"
#include "transfer/TransmiteArquivo.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {

// Marks the window as transferring for as long as the click runs.
class TransferenciaEmCurso
{
public:
    explicit TransferenciaEmCurso(frmPrincipal &janela)
        : m_janela(janela)
    {
        m_janela.Transferindo = true;
    }
    ~TransferenciaEmCurso() { m_janela.Transferindo = false; }
    TransferenciaEmCurso(const TransferenciaEmCurso &) = delete;
    TransferenciaEmCurso &operator=(const TransferenciaEmCurso &) = delete;

private:
    frmPrincipal &m_janela;
};

void mostraStatus(frmPrincipal &janela, const QString &texto)
{
    janela.lblstatus->setText(texto);
}

// The chosen package's copy in the working folder, made again from its
// source when the folder lost it; empty text (the user told) when neither
// holds it.
QString preparaPacote(const PacoteEscolhido &pacote)
{
    try {
        return pacote.naPastaTrabalho();
    } catch (const ErroTavo &erro) {
        if (erro.numero() == Erros::ArquivoNaoEncontrado)
            CaixaMensagem::aviso(QStringLiteral("O Arquivo não existe!"), CaixaMensagem::Icone::Critico);
        else
            CaixaMensagem::aviso(QString::number(erro.numero()) + QStringLiteral(": ") + erro.descricao(),
                                 CaixaMensagem::Icone::Critico);
        return {};
    }
}

} // namespace

void cmdTransmitir_Click(frmPrincipal &janela)
{
    // A click that was already queued when a job started waits its turn.
    if (TarefaExclusiva::emCurso())
        return;
    const QString codigoEscola = janela.txtCodigoEscola->text();
    if (codigoEscola.isEmpty() || codigoEscola.size() != 8) {
        CaixaMensagem::aviso(QStringLiteral("O Arquivo não pode ser enviado porque o código da escola não é válido."),
                             CaixaMensagem::Icone::Critico);
        return;
    }
    if (!janela.optTipoTrasmissao[0]->isChecked() && !janela.optTipoTrasmissao[1]->isChecked()) {
        CaixaMensagem::aviso(QStringLiteral("Escolha o Tipo de Transmissão"), CaixaMensagem::Icone::Informacao,
                             QStringLiteral("Tipo de Transmissão"));
        return;
    }
    const QString legenda = janela.optTipoTrasmissao[0]->isChecked() ? janela.optTipoTrasmissao[0]->text()
                                                                     : janela.optTipoTrasmissao[1]->text();
    const auto resposta = CaixaMensagem::mostra(
        QStringLiteral("Atenção!\r\nVerifique se o Tipo de transmissaõ foi escolhido corretamente.\r\n"
                       "Deseja realmente enviar os dados da ") +
            legenda + QStringLiteral(" ?"),
        CaixaMensagem::Botoes::SimNao, CaixaMensagem::Icone::Pergunta);
    if (resposta != CaixaMensagem::Resposta::Sim)
        return;

    TarefaExclusiva exclusiva(janela);
    TransferenciaEmCurso emCurso(janela);
    // A "Cancelar" pressed while nothing ran (or by the file choice's cancel)
    // must not end or colour this transfer.
    janela.Cancelado = false;
    janela.Expulso = false;
    janela.AcessoNegado = false;
    janela.Encerrando = false;
    // What is announced and what is sent are this one package, whatever
    // happens to the window's list meanwhile.
    const PacoteEscolhido pacote = janela.Pacote;
    const QString caminho = preparaPacote(pacote);
    if (caminho.isEmpty())
        return;
    if (ConectaServidor(janela))
        TransmiteArquivo(janela, pacote, caminho);
}

void cmdInternet_Click(frmPrincipal &janela)
{
    janela.SSTab->setCurrentIndex(2);
    MantemFiguraQuandoDesabilitado(janela.cmdTransmitir);
    cmdTransmitir_Click(janela);
}

bool ConectaServidor(frmPrincipal &janela)
{
    ControleSocket &socket = *janela.WindowsSocket;
    Espera espera(socket, [&janela] { return janela.Cancelado || janela.Encerrando; });
    espera.acordaCom(janela.cmdCancelar, &QPushButton::clicked);

    qint64 porta = PortaInicial;
    const int tentativas = QtdePortas;
    for (int tentativa = 1; tentativa <= tentativas; ++tentativa, ++porta) {
        socket.fecha();
        socket.conecta(IpServidor, porta);
        mostraStatus(janela, QStringLiteral("Status: Conectando... Tentativa número ") + QString::number(tentativa));
        Interface::redesenha(&janela);

        const FimEspera fim =
            espera.ate([&socket] { return !socket.conectando(); }, LimitesEspera::conexao(), Espera::Modo::Conexao);
        if (fim == FimEspera::Cancelada || fim == FimEspera::Interrompida) {
            // "Cancelar" (or the window closing) stops the attempts; the
            // cancel has already shown the disconnected state.
            socket.fecha();
            return false;
        }
        if (fim == FimEspera::Esgotada)
            socket.fecha(); // an address that never answers: this attempt failed
        if (socket.conectado()) {
            mostraStatus(janela, QStringLiteral("Status: Conectado! Iniciando a Transferência..."));
            janela.imgConexao->setPixmap(janela.imgConectado->pixmap());
            return true;
        }
    }

    socket.fecha();
    CaixaMensagem::aviso(QStringLiteral("Não foi possível conectar ao servidor.\r\nTente novamente."),
                         CaixaMensagem::Icone::Critico, QStringLiteral("Erro de conexão."));
    mostraStatus(janela, QStringLiteral("Status: Desconectado."));
    janela.imgConexao->setPixmap(janela.imgDesconectado->pixmap());
    return false;
}
