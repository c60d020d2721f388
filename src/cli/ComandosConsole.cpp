#include "cli/ComandosConsole.h"

#include "cli/TerminalConsole.h"
#include "common/Log.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "store/PastaPrograma.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

#include <optional>

namespace {

// A folder held by another client is tried again after these pauses, the
// first doubled each time up to the last.
constexpr qint64 kPrimeiraPausaMs = 100;
constexpr qint64 kMaiorPausaMs = 2000;

// Why the folder is not this command's, told; the exit status.
int recusa(const PastaPrograma &pasta, TerminalConsole &terminal)
{
    terminal.falha(pasta.recusa());
    return pasta.ocupada() ? CodigosSaida::TenteDepois : CodigosSaida::SemTrava;
}

int executaComando(LinhaComando::Analise &analise, const Instalacao &instalacao, TerminalConsole &terminal)
{
    Comando &comando = *analise.comando;
    switch (comando.pasta()) {
    case Comando::Pasta::Nenhuma:
        return comando.executa(instalacao, terminal);
    case Comando::Pasta::AoLado: {
        // The report runs beside an open client, which has made the database
        // ready. With none open, the folder is held just for that step, so a
        // database the former client left is converted before it is read.
        {
            const PastaPrograma pasta(instalacao, terminal);
            if (!pasta.disponivel() && !pasta.ocupada())
                return recusa(pasta, terminal);
            if (pasta.conversaoRecusada())
                return CodigosSaida::DadosInvalidos;
            if (pasta.configuracaoInvalida())
                return CodigosSaida::Configuracao;
            if (pasta.trava().tomada())
                AtualizaEscritorios(instalacao);
        }
        return comando.executa(instalacao, terminal);
    }
    case Comando::Pasta::Preparada:
    case Comando::Pasta::SoTrava:
        break;
    }

    const PastaPrograma::Preparo preparo = comando.pasta() == Comando::Pasta::SoTrava
                                               ? PastaPrograma::Preparo::SoTrava
                                               : PastaPrograma::Preparo::BancoLocal;
    // Another client's folder is tried again until --esperar runs out.
    const QDeadlineTimer prazo(std::chrono::seconds(analise.esperar.value_or(0)));
    std::optional<PastaPrograma> pasta;
    for (qint64 pausa = kPrimeiraPausaMs;; pausa = std::min(2 * pausa, kMaiorPausaMs)) {
        pasta.emplace(instalacao, terminal, preparo);
        if (!pasta->ocupada() || prazo.hasExpired())
            break;
        pasta.reset();
        QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(prazo.remainingTime(), 1, pausa)));
    }
    if (!pasta->disponivel())
        return recusa(*pasta, terminal);
    if (pasta->conversaoRecusada())
        return CodigosSaida::DadosInvalidos;
    // The site's managed settings cannot be used (told).
    if (pasta->configuracaoInvalida())
        return CodigosSaida::Configuracao;
    comando.usaTrava(pasta->trava());
    if (preparo == PastaPrograma::Preparo::BancoLocal && pasta->trava().tomada())
        AtualizaEscritorios(instalacao);
    return comando.executa(instalacao, terminal);
}

} // namespace

namespace ComandosConsole {

int executa(LinhaComando::Analise &analise, const Instalacao &instalacao, TerminalConsole &terminal)
{
    // A command that failed after another user's link was refused on its
    // way failed on the folders as they are: a local input/output error,
    // whatever step met it (the lock's own is told apart), and the link is
    // its cause.
    const quint64 recusasAntes = PlataformaArquivos::recusasDeAtalho();
    const int codigo = executaComando(analise, instalacao, terminal);
    if (codigo == CodigosSaida::Sucesso || codigo == CodigosSaida::SemTrava
        || PlataformaArquivos::recusasDeAtalho() == recusasAntes)
        return codigo;
    terminal.defineCausa(PlataformaArquivos::textoDoSistema(PlataformaArquivos::AtalhoAlheio));
    return CodigosSaida::EntradaSaida;
}

} // namespace ComandosConsole
