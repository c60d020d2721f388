#include "transfer/SondaServidor.h"

#include "common/Log.h"
#include "store/Configuracao.h"
#include "transfer/ControleSocket.h"
#include "transfer/Espera.h"

#include <QStringList>

SondagemServidor sondaServidor(const ConfiguracaoCliente &servidor, int maximoPortas)
{
    SondagemServidor sondagem;
    sondagem.rota = servidor.proxy.rota();
    ControleSocket socket;
    Espera espera(socket, [] { return false; });
    QStringList motivos;
    const int portas = std::min<int>(servidor.QtdePortas, maximoPortas);
    for (int i = 0; i < portas; ++i) {
        const qint64 porta = qint64(servidor.PortaInicial) + i;
        ++sondagem.tentadas;
        socket.fecha();
        socket.conecta(servidor.IpServidor, porta, servidor.proxy);
        sondagem.rota = socket.rota();
        const FimEspera fim =
            espera.ate([&socket] { return !socket.conectando(); }, servidor.prazoConexao(), Espera::Modo::Conexao);
        if (socket.conectado()) {
            socket.fecha();
            sondagem.porta = static_cast<quint16>(porta);
            qCInfo(lcTransferencia).noquote()
                << "Diagnosis: port" << porta << "of" << servidor.IpServidor << "opened via" << sondagem.rota;
            return sondagem;
        }
        motivos.append(QStringLiteral("%1 (%2)").arg(porta).arg(
            fim == FimEspera::Esgotada
                ? QStringLiteral("sem resposta em %1 s").arg(servidor.prazoConexao().count() / 1000)
            : socket.erro().isEmpty() ? QStringLiteral("não conectou")
                                      : socket.erro()));
    }
    socket.fecha();
    sondagem.motivos = motivos.join(QStringLiteral(", "));
    return sondagem;
}
