#include "transfer/Espera.h"

#include "common/SuspensaoPrazos.h"
#include "transfer/ControleSocket.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace {

// The bound of one wait: a single-shot timer that stands still while a
// suspension raised after the wait began is up (a box opened meanwhile) and
// goes on with the time it had left when the last such one is let go. A
// suspension already up when the wait began does not hold it: the wait runs
// inside that box, and would otherwise have no bound at all.
class Prazo
{
public:
    Prazo(std::chrono::milliseconds limite, std::function<void()> aoEsgotar)
        : m_limite(limite)
        , m_restante(limite)
        , m_nivelInicial(SuspensaoPrazos::nivel())
        , m_ouvinte([this] { aoMudarSuspensao(); })
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, aoEsgotar = std::move(aoEsgotar)] {
            m_esgotado = true;
            aoEsgotar();
        });
        m_timer.start(m_restante);
    }

    // Starts the whole bound again (a send progressed).
    void reinicia()
    {
        if (m_esgotado)
            return;
        m_restante = m_limite;
        if (!suspenso())
            m_timer.start(m_restante);
    }

private:
    bool suspenso() const { return SuspensaoPrazos::nivel() > m_nivelInicial; }

    void aoMudarSuspensao()
    {
        if (m_esgotado)
            return;
        if (suspenso() && m_timer.isActive()) {
            m_restante = std::chrono::milliseconds(qMax(0, m_timer.remainingTime()));
            m_timer.stop();
        } else if (!suspenso() && !m_timer.isActive()) {
            m_timer.start(m_restante);
        }
    }

    QTimer m_timer;
    std::chrono::milliseconds m_limite;
    std::chrono::milliseconds m_restante;
    int m_nivelInicial;
    bool m_esgotado = false;
    SuspensaoPrazos::Ouvinte m_ouvinte;
};

} // namespace

Espera::Espera(ControleSocket &socket, std::function<bool()> cancelada)
    : m_socket(socket)
    , m_cancelada(std::move(cancelada))
{
    acordaCom(&socket, &ControleSocket::dadosChegaram);
    acordaCom(&socket, &ControleSocket::envioCompleto);
    acordaCom(&socket, &ControleSocket::estadoMudou);
    acordaCom(&socket, &ControleSocket::fechadoPeloServidor);
    acordaCom(&socket, &ControleSocket::entregaMudou);
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
    Prazo prazo(limite, [&] {
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
    auto renovaAnterior = std::exchange(m_renovaAtual, [&] { prazo.reinicia(); });

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
