// "gerar": today's package of the school, made as the window's "Gerar"
// makes it.
#include "cli/Comandos.h"
#include "cli/TerminalConsole.h"
#include "common/Caminhos.h"
#include "common/Relogio.h"
#include "package/GeracaoPacote.h"
#include "package/StatusZip.h"
#include "package/modAddZip.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

QString ConsoleGerar::descricao() const
{
    return QStringLiteral("Gera o pacote de hoje da escola a partir do banco "
                          "c:\\inetpub\\wwwroot\\tavo\\mirv_dat.mdb, como o botão \"Gerar\" da janela; a saída é o "
                          "caminho do pacote.");
}

int ConsoleGerar::executa(const Instalacao &instalacao, TerminalConsole &terminal)
{
    if (!InicializaComponenteZip(terminal)) {
        terminal.defineCausa(QStringLiteral("a biblioteca de ZIP não pôde ser carregada."));
        return CodigosSaida::Falha;
    }
    GeracaoPacote geracao(instalacao, Caminhos::bancoEscola(), Relogio::agora().date(), terminal);
    QObject::connect(&geracao, &GeracaoPacote::progressoZip, &geracao,
                     [&terminal](const EventoZip &evento) { terminal.progresso(LinhaEvento(evento)); });
    DadosEscola escola;
    QObject::connect(&geracao, &GeracaoPacote::escolaIdentificada, &geracao,
                     [&escola](const std::optional<DadosEscola> &lida) { escola = lida.value_or(DadosEscola{}); });
    const GeracaoPacote::Resultado resultado = geracao.executa();
    terminal.progresso({});
    if (!resultado.gerado) {
        terminal.defineCausa(resultado.causa);
        switch (resultado.falha) {
        case GeracaoPacote::Falha::Escola:
            return CodigosSaida::DadosInvalidos;
        case GeracaoPacote::Falha::Gravacao:
            return CodigosSaida::EntradaSaida;
        default:
            return CodigosSaida::Falha;
        }
    }
    // In the system's own form (C:\inetpub\... on Windows), to paste anywhere.
    const QString pacote = QDir::toNativeSeparators(QDir::cleanPath(instalacao.local(resultado.pacote)));
    terminal.saida(pacote);
    terminal.defineJson({{QStringLiteral("pacote"), pacote},
                         {QStringLiteral("tamanho"), QFileInfo(pacote).size()},
                         {QStringLiteral("codigo_escola"), escola.codigoEscola},
                         {QStringLiteral("escola"), escola.escola},
                         {QStringLiteral("codigo_escritorio"), escola.codigoSRE},
                         {QStringLiteral("escritorio"), escola.sre}});
    return CodigosSaida::Sucesso;
}
