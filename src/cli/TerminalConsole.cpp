#include "cli/TerminalConsole.h"

#include "cli/CodigosSaida.h"
#include "common/Log.h"
#include "common/SuspensaoPrazos.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "common/plataforma/PlataformaTerminal.h"

#include <QJsonDocument>

#include <cerrno>

using Mensagens::Botoes;
using Mensagens::Resposta;
using PlataformaTerminal::Fluxo;

namespace {

// A progress line is rewritten at most this often; the jobs report far more
// often than anyone can read.
constexpr qint64 kIntervaloProgressoMs = 100;

// A message that standard error does not take has nowhere else to go; it
// changes no command's outcome, which the exit status tells.
void escreveErro(const QByteArray &dados)
{
    PlataformaTerminal::escreve(Fluxo::Erro, dados);
}

// The messages' texts break their lines with CRLF, as the boxes show them.
QByteArray linhas(const QString &texto)
{
    QString semCr = texto;
    semCr.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return semCr.toUtf8() + '\n';
}

} // namespace

TerminalConsole::TerminalConsole(bool saidaFechada)
    : m_entradaTerminal(PlataformaTerminal::ehTerminal(Fluxo::Entrada))
    , m_erroTerminal(PlataformaTerminal::ehTerminal(Fluxo::Erro))
    , m_falhaSaida(saidaFechada ? EBADF : 0)
{
}

Resposta TerminalConsole::responde(const Mensagens::Mensagem &mensagem)
{
    if (mensagem.botoes != Botoes::Ok)
        return pergunta(mensagem);
    if (m_resultados.contains(mensagem.texto)) {
        saida(mensagem.texto);
        return Resposta::Ok;
    }
    qCInfo(lcPrograma).noquote() << "Message:"
                                 << QString(mensagem.titulo + QLatin1Char(' ') + mensagem.texto)
                                        .replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    m_retidas.append((mensagem.titulo.isEmpty() ? QByteArray() : linhas(mensagem.titulo)) + linhas(mensagem.texto));
    m_ultimaMensagem = QString(mensagem.texto).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return Resposta::Ok;
}

Resposta TerminalConsole::pergunta(const Mensagens::Mensagem &mensagem)
{
    const bool okCancelar = mensagem.botoes == Botoes::OkCancelar;
    const Resposta negativa = okCancelar ? Resposta::Cancelar : Resposta::Nao;
    // What was said before the question is part of it.
    mostraRetidas();
    m_ultimaMensagem = QString(mensagem.texto).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    escreveErro((mensagem.titulo.isEmpty() ? QByteArray() : linhas(mensagem.titulo)) + linhas(mensagem.texto));
    if (!m_entradaTerminal)
        return negativa;
    escreveErro(okCancelar ? QStringLiteral("[Enter: OK, c: Cancelar] ").toUtf8()
                           : QStringLiteral("[s: Sim, n: Não] ").toUtf8());
    std::optional<QByteArray> linha;
    {
        // The user is reading, not the network: the transfer's bounds wait.
        const SuspensaoPrazos::Suspensao suspensao;
        linha = PlataformaTerminal::leLinha(kPrazoResposta);
    }
    if (!linha) {
        escreveErro("\n");
        return negativa;
    }
    const QString resposta = QString::fromUtf8(*linha).trimmed().toLower();
    if (okCancelar)
        return resposta.isEmpty() || resposta == QLatin1String("ok") ? Resposta::Ok : Resposta::Cancelar;
    return resposta == QLatin1String("s") || resposta == QLatin1String("sim") ? Resposta::Sim : Resposta::Nao;
}

void TerminalConsole::saida(const QString &linha)
{
    saidaBruta(linhas(linha));
}

void TerminalConsole::saidaBruta(const QByteArray &dados)
{
    if (m_modo != Modo::Texto)
        return;
    limpaProgresso();
    escreveSaida(dados);
}

void TerminalConsole::falha(const QString &texto)
{
    m_retidas.append(linhas(texto));
    m_ultimaMensagem = texto;
}

void TerminalConsole::usoIncorreto(const QString &erro)
{
    falha(QStringLiteral("tavo-upload-cli: ") + erro);
    falha(QStringLiteral("Use \"tavo-upload-cli --help\" para ver os comandos e as opções."));
    m_ultimaMensagem = erro;
    if (m_modo == Modo::Json)
        m_causa = QStringLiteral("uso incorreto da linha de comando; \"tavo-upload-cli --help\" mostra os comandos, "
                                 "e \"tavo-upload-cli <comando> --help\", as opções de cada um.");
}

void TerminalConsole::esqueceMensagens()
{
    m_retidas.clear();
    m_ultimaMensagem.clear();
    m_causa.clear();
}

void TerminalConsole::mostraRetidas()
{
    limpaProgresso();
    for (const QByteArray &retida : std::as_const(m_retidas))
        escreveErro(retida);
    m_retidas.clear();
}

int TerminalConsole::conclui(int codigo)
{
    if (codigo != CodigosSaida::Sucesso) {
        mostraRetidas();
        if (!m_causa.isEmpty())
            erro(QStringLiteral("Causa: ") + m_causa);
    }
    if (m_modo == Modo::Json) {
        QJsonObject objeto = m_json;
        // A failure's object: what the command could tell, and why it failed.
        if (codigo != CodigosSaida::Sucesso) {
            objeto.insert(QStringLiteral("codigo"), codigo);
            objeto.insert(QStringLiteral("mensagem"), m_ultimaMensagem);
            objeto.insert(QStringLiteral("causa"), m_causa);
        }
        limpaProgresso();
        escreveSaida(QJsonDocument(objeto).toJson(QJsonDocument::Compact) + '\n');
    }
    if (m_falhaSaida == 0)
        m_falhaSaida = PlataformaTerminal::concluiSaida();
    if (m_falhaSaida == 0)
        return codigo;
    perdeSaida(m_falhaSaida);
    return CodigosSaida::EntradaSaida;
}

QString TerminalConsole::textoFalhaSaida(int codigo)
{
    return QStringLiteral("Não foi possível escrever a saída do comando: %1.")
        .arg(PlataformaArquivos::textoDoSistema(codigo));
}

void TerminalConsole::escreveSaida(const QByteArray &dados)
{
    // After a failure nothing more is written: what follows would be the
    // rest of a result with a hole in it.
    if (m_falhaSaida == 0)
        m_falhaSaida = PlataformaTerminal::escreve(Fluxo::Saida, dados);
    if (m_falhaSaida != 0)
        perdeSaida(m_falhaSaida);
}

void TerminalConsole::perdeSaida(int codigo)
{
    if (m_falhaSaidaDita)
        return;
    m_falhaSaidaDita = true;
    erro(textoFalhaSaida(codigo));
}

void TerminalConsole::erro(const QString &linha)
{
    limpaProgresso();
    escreveErro(linhas(linha));
}

void TerminalConsole::progresso(const QString &texto)
{
    if (!m_erroTerminal)
        return;
    if (texto.isEmpty()) {
        limpaProgresso();
        return;
    }
    if (m_progressoVisivel && m_desdeProgresso.isValid() && !m_desdeProgresso.hasExpired(kIntervaloProgressoMs))
        return;
    escreveErro("\r" + texto.toUtf8() + "\x1b[K");
    m_progressoVisivel = true;
    m_desdeProgresso.start();
}

void TerminalConsole::limpaProgresso()
{
    if (!m_progressoVisivel)
        return;
    escreveErro("\r\x1b[K");
    m_progressoVisivel = false;
}
