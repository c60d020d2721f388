// tavo-upload-cli: the program's jobs from a console, for provisioning by
// script and unattended sends.
#include "cli/CodigosSaida.h"
#include "cli/ComandosConsole.h"
#include "cli/LinhaComando.h"
#include "cli/TerminalConsole.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Localidade.h"
#include "common/Log.h"
#include "common/plataforma/PlataformaTerminal.h"

#include <QCoreApplication>

#include <new>

namespace {

int executa(LinhaComando::Analise &analise, TerminalConsole &terminal)
{
    if (!analise.erro.isEmpty()) {
        // With --json the usage error is the command's one object as well.
        if (analise.json)
            terminal.defineModo(TerminalConsole::Modo::Json);
        terminal.usoIncorreto(analise.erro);
        return CodigosSaida::UsoIncorreto;
    }
    switch (analise.pedido) {
    case LinhaComando::Pedido::Ajuda:
        terminal.saidaBruta(LinhaComando::ajuda(analise.comando.get()).toUtf8());
        return CodigosSaida::Sucesso;
    case LinhaComando::Pedido::Versao:
        terminal.saida(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion());
        return CodigosSaida::Sucesso;
    case LinhaComando::Pedido::Comando:
        break;
    }
    terminal.defineModo(analise.json         ? TerminalConsole::Modo::Json
                        : analise.silencioso ? TerminalConsole::Modo::Silencioso
                                             : TerminalConsole::Modo::Texto);
    // The installation, read once. A path variable that is no path stops the
    // command before the program's folder is made or its log opened.
    std::optional<Instalacao> instalacao;
    try {
        instalacao.emplace(Instalacao::carrega());
    } catch (const ErroTavo &erro) {
        terminal.falha(QStringLiteral("tavo-upload-cli: ") + erro.descricao());
        return CodigosSaida::Configuracao;
    }
    // Log lines go to the program's folder: standard error stays the user's.
    const Log::Instalacao log(Log::console(instalacao->pastaPrograma(), analise.detalhado));
    try {
        return ComandosConsole::executa(analise, *instalacao, terminal);
    } catch (const std::bad_alloc &) {
        // What the command held (the folder's lock, its files, a helper
        // process) was let go on the way here.
        qCCritical(lcPrograma) << "Command stopped: out of memory";
        terminal.falha(QStringLiteral("Não há memória suficiente para concluir o comando."));
        terminal.defineCausa(QStringLiteral("o sistema negou memória ao programa (o limite do processo ou a memória "
                                            "do computador acabou)."));
        return CodigosSaida::Falha;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // The system shows every process's arguments to every user: a proxy's
    // password given on the line is blanked in argv at once, the line read
    // from the copy taken just before. On Windows this is best effort: argv
    // is the C library's copy, and the command line the system keeps for
    // others to read stays as it was.
    const QList<QByteArray> argumentos = PlataformaTerminal::argumentosEmBytes(argc, argv);
    LinhaComando::ocultaSenhaProxy(argc, argv);
    // Before anything opens a file: a closed standard output would hand its
    // number to the lock or the log, and the command's result to them.
    const PlataformaTerminal::Fechados fechados = PlataformaTerminal::abreFechados();
    // A reader that went away is a failed write, said and reported.
    PlataformaTerminal::semSinalPipe();
    // The log's echo (--verbose) goes to standard error, also where Qt would
    // hand it to Windows' debugger channel for want of a console.
    qputenv("QT_FORCE_STDERR_LOGGING", "1");

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavo-upload-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVO_VERSAO));
    // Month names and numbers in Portuguese, whatever the system's language.
    Localidade::ajusta();

    TerminalConsole terminal(fechados.saida);
    // An argument that is no text would name another file once decoded.
    const Esperado<void> legivel = LinhaComando::argumentoIlegivel(argumentos);
    const QStringList textos = PlataformaTerminal::argumentosEmTexto(argumentos);
    LinhaComando::Analise analise;
    if (!legivel) {
        analise.erro = legivel.erro().descricao();
        analise.json = LinhaComando::pedeJson(textos);
    } else
        analise = LinhaComando::analisa(textos);
    return terminal.conclui(executa(analise, terminal));
}
