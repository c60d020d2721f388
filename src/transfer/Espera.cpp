#include "transfer/Espera.h"

#include "transfer/ControleSocket.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace LimitesEspera {

namespace {
constexpr std::chrono::milliseconds kConexaoPadrao{10'000};
constexpr std::chrono::milliseconds kRespostaPadrao{60'000};
std::chrono::milliseconds g_conexao = kConexaoPadrao;
std::chrono::milliseconds g_resposta = kRespostaPadrao;
} // namespace

std::chrono::milliseconds conexao()
{
    return g_conexao;
}

std::chrono::milliseconds resposta()
{
    return g_resposta;
}

void define(std::chrono::milliseconds conexao, std::chrono::milliseconds resposta)
{
    g_conexao = conexao;
    g_resposta = resposta;
}

void restaura()
{
    define(kConexaoPadrao, kRespostaPadrao);
}

} // namespace LimitesEspera

Espera::Espera(ControleSocket &socket, std::function<bool()> cancelada)
    : m_socket(socket)
    , m_cancelada(std::move(cancelada))
{
    acordaCom(&socket, &ControleSocket::dadosChegaram);
    acordaCom(&socket, &ControleSocket::envioCompleto);
    acordaCom(&socket, &ControleSocket::estadoMudou);
    acordaCom(&socket, &ControleSocket::fechadoPeloServidor);
    m_ligacoes.append(QObject::connect(&socket, &ControleSocket::progressoEnvio, &m_contexto, [this] {
        if (m_renovaAtual)
            m_renovaAtual();
        verifica();
    }));
}

Espera::~Espera()
{
    for (const QMetaObject::Connection &ligacao : std::as_const(m_ligacoes))
        QObject::disconnect(ligacao);
}

void Espera::verifica()
{
    if (m_verificaAtual)
        m_verificaAtual();
}

FimEspera Espera::ate(const std::function<bool()> &condicao, std::chrono::milliseconds limite, Modo modo)
{
    std::optional<FimEspera> fim;
    const auto testa = [&] {
        if (m_cancelada && m_cancelada())
            fim = FimEspera::Cancelada;
        else if (condicao())
            fim = FimEspera::Pronta;
        else if (modo == Modo::Sessao && !m_socket.conectado())
            fim = FimEspera::Fechada;
    };
    testa();
    if (fim)
        return *fim;

    QEventLoop laco;
    QTimer prazo;
    prazo.setSingleShot(true);
    QObject::connect(&prazo, &QTimer::timeout, &laco, [&] {
        if (!fim) {
            fim = FimEspera::Esgotada;
            laco.quit();
        }
    });

    // A wait may run inside another (a box opened by an event handler):
    // the outer one's tests come back when this one ends.
    auto verificaAnterior = std::exchange(m_verificaAtual, [&] {
        if (fim)
            return;
        testa();
        if (fim)
            laco.quit();
    });
    auto renovaAnterior = std::exchange(m_renovaAtual, [&] { prazo.start(limite); });

    prazo.start(limite);
    laco.exec();

    m_verificaAtual = std::move(verificaAnterior);
    m_renovaAtual = std::move(renovaAnterior);
    // The loop also ends when the application quits; nothing was decided.
    return fim.value_or(FimEspera::Interrompida);
}

void Espera::cede()
{
    QCoreApplication::processEvents();
}
