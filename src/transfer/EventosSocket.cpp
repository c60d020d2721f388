#include "transfer/EventosSocket.h"

#include "common/CaixaMensagem.h"
#include "shell/frmPrincipal.h"
#include "transfer/ControleSocket.h"
#include "transfer/MensagensCliente.h"
#include "transfer/MensagensServidor.h"

#include <QDebug>
#include <QLabel>

void WindowsSocket_DataArrival(frmPrincipal &janela)
{
    ControleSocket &socket = *janela.WindowsSocket;
    socket.leitor().acrescenta(socket.leTudo());
    while (const auto mensagem = socket.leitor().proxima())
        aplicaMensagemServidor(janela, *mensagem);
}

void WindowsSocket_SendComplete(frmPrincipal &janela)
{
    janela.Enviando = false;
}

void aplicaMensagemServidor(frmPrincipal &janela, const MensagemServidor &mensagem)
{
    using Codigo = MensagemServidor::Codigo;
    const bool semArgumento =
        (mensagem.codigo == Codigo::Pacote || mensagem.codigo == Codigo::Pendencia) && !mensagem.argumento;
    if (semArgumento) {
        // Not a whole number in range: the answer cannot be trusted either
        // way, so it is ignored like an unknown message; the wait for a
        // proper answer ends by its bound.
        qWarning().noquote() << "Server message with a malformed argument ignored:" << mensagem.texto;
        return;
    }
    switch (mensagem.codigo) {
    case Codigo::Pacote:
        if (*mensagem.argumento < MensagensCliente::PacoteMinimo) {
            CaixaMensagem::aviso(
                QStringLiteral("The packet size your requesting has been denied by the server. The packet size is now "
                               "set to optimum size. When ready please click on 'Start Transfer' once again."),
                CaixaMensagem::Icone::Critico, QStringLiteral("Packet Dinied"));
            janela.RespostaPacote = 0;
        } else {
            janela.RespostaPacote = 1;
        }
        break;
    case Codigo::Pendencia:
        janela.RespostaArquivo = *mensagem.argumento;
        break;
    case Codigo::Negado:
        janela.AcessoNegado = true;
        CaixaMensagem::aviso(QStringLiteral("The server denied access to connect."), CaixaMensagem::Icone::Critico,
                             QStringLiteral("Unable to connect"));
        janela.imgConexao->setPixmap(janela.imgDesconectado->pixmap());
        janela.WindowsSocket->fecha();
        break;
    case Codigo::Aceito:
        janela.imgConexao->setPixmap(janela.imgConectado->pixmap());
        break;
    case Codigo::Expulsao:
        janela.Expulso = true;
        break;
    case Codigo::Desconhecido:
        break;
    }
}
