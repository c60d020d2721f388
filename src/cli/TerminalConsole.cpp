#include "cli/TerminalConsole.h"

#include "common/PlataformaTerminal.h"
#include "common/SuspensaoPrazos.h"

#include <cstdio>

using Mensagens::Botoes;
using Mensagens::Resposta;
using PlataformaTerminal::Fluxo;

namespace {

// A progress line is rewritten at most this often; the jobs report far more
// often than anyone can read.
constexpr qint64 kIntervaloProgressoMs = 100;

void escreve(std::FILE *fluxo, const QByteArray &dados)
{
    std::fwrite(dados.constData(), 1, static_cast<std::size_t>(dados.size()), fluxo);
    std::fflush(fluxo);
}

// The messages' texts break their lines with CRLF, as the boxes show them.
QByteArray linhas(const QString &texto)
{
    QString semCr = texto;
    semCr.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return semCr.toUtf8() + '\n';
}

} // namespace

TerminalConsole::TerminalConsole()
    : m_entradaTerminal(PlataformaTerminal::ehTerminal(Fluxo::Entrada))
    , m_erroTerminal(PlataformaTerminal::ehTerminal(Fluxo::Erro))
{
}

Resposta TerminalConsole::responde(const Mensagens::Mensagem &mensagem)
{
    if (mensagem.botoes != Botoes::Ok)
        return pergunta(mensagem);
    if (m_resultados.contains(mensagem.texto)) {
        saida(mensagem.texto);
    } else {
        limpaProgresso();
        escreve(stderr, (mensagem.titulo.isEmpty() ? QByteArray() : linhas(mensagem.titulo)) + linhas(mensagem.texto));
    }
    return Resposta::Ok;
}

Resposta TerminalConsole::pergunta(const Mensagens::Mensagem &mensagem)
{
    const bool okCancelar = mensagem.botoes == Botoes::OkCancelar;
    const Resposta negativa = okCancelar ? Resposta::Cancelar : Resposta::Nao;
    limpaProgresso();
    escreve(stderr, (mensagem.titulo.isEmpty() ? QByteArray() : linhas(mensagem.titulo)) + linhas(mensagem.texto));
    if (!m_entradaTerminal)
        return negativa;
    escreve(stderr, okCancelar ? QStringLiteral("[Enter: OK, c: Cancelar] ").toUtf8()
                               : QStringLiteral("[s: Sim, n: Não] ").toUtf8());
    std::optional<QByteArray> linha;
    {
        // The user is reading, not the network: the transfer's bounds wait.
        const SuspensaoPrazos::Suspensao suspensao;
        linha = PlataformaTerminal::leLinha(kPrazoResposta);
    }
    if (!linha) {
        escreve(stderr, "\n");
        return negativa;
    }
    const QString resposta = QString::fromUtf8(*linha).trimmed().toLower();
    if (okCancelar)
        return resposta.isEmpty() || resposta == QLatin1String("ok") ? Resposta::Ok : Resposta::Cancelar;
    return resposta == QLatin1String("s") || resposta == QLatin1String("sim") ? Resposta::Sim : Resposta::Nao;
}

void TerminalConsole::saida(const QString &linha)
{
    limpaProgresso();
    escreve(stdout, linhas(linha));
}

void TerminalConsole::saidaBruta(const QByteArray &dados)
{
    limpaProgresso();
    escreve(stdout, dados);
}

void TerminalConsole::erro(const QString &linha)
{
    limpaProgresso();
    escreve(stderr, linhas(linha));
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
    escreve(stderr, "\r" + texto.toUtf8() + "\x1b[K");
    m_progressoVisivel = true;
    m_desdeProgresso.start();
}

void TerminalConsole::limpaProgresso()
{
    if (!m_progressoVisivel)
        return;
    escreve(stderr, "\r\x1b[K");
    m_progressoVisivel = false;
}
