#include "transfer/ControleSocket.h"

#include "common/Modulos.h"
#include "transfer/Windows1252.h"

#include <QTimer>

ControleSocket::ControleSocket(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("WindowsSocket"));
    m_vigiaEntrega.setInterval(10);
    connect(&m_vigiaEntrega, &QTimer::timeout, this, &ControleSocket::olhaEntrega);
}

ControleSocket::~ControleSocket() = default;

bool ControleSocket::preparaCanal()
{
    if (m_canal)
        return true;
    const Modulos::Funcao cria = Modulos::doPrograma("tavo-rede", "tavo_cria_canal_tcp");
    if (!cria.endereco) {
        m_erro = QStringLiteral("the network module cannot be loaded: ") + cria.motivo;
        return false;
    }
    CanalTcp::Eventos eventos;
    eventos.estadoMudou = [this](CanalTcp::Estado novo) { aoMudarEstado(novo); };
    eventos.conectou = [this] {
        m_testemunha = std::make_unique<PlataformaRede::Testemunha>(m_canal->descritor());
        Q_EMIT conectou();
    };
    eventos.escreveu = [this](qint64 bytes) { aoEscrever(bytes); };
    eventos.chegaramDados = [this] { aoChegarDados(); };
    eventos.falhou = [this] { m_erro = m_canal->erro(); };
    m_canal.reset(reinterpret_cast<CriaCanalTcp>(cria.endereco)(std::move(eventos)));
    return true;
}

void ControleSocket::fecha()
{
    m_fechandoAqui = true;
    if (m_canal)
        m_canal->aborta();
    // The second handle keeps the connection open: it goes with the socket.
    m_testemunha.reset();
    m_vigiaEntrega.stop();
    m_fechandoAqui = false;
    m_envioPendente = false;
    m_leitor.limpa();
    Q_EMIT estadoMudou();
}

void ControleSocket::conecta(const QString &endereco, qint64 porta, const ProxyCliente &proxy)
{
    m_erro.clear();
    m_rota = proxy.rota();
    m_testemunha.reset();
    m_leitor.limpa();
    m_envioPendente = false;
    if (porta < 1 || porta > 65535 || !preparaCanal()) {
        Q_EMIT estadoMudou();
        return;
    }
    m_canal->conecta(endereco, static_cast<quint16>(porta), proxy);
    m_rota = m_canal->rota();
}

QString ControleSocket::rota() const
{
    return m_rota;
}

CanalTcp::Estado ControleSocket::estado() const
{
    return m_canal ? m_canal->estado() : CanalTcp::Estado::Fechado;
}

bool ControleSocket::conectando() const
{
    const auto e = estado();
    return e == CanalTcp::Estado::Procurando || e == CanalTcp::Estado::Conectando;
}

bool ControleSocket::conectado() const
{
    return estado() == CanalTcp::Estado::Conectado;
}

bool ControleSocket::envia(const QString &texto)
{
    return envia(Windows1252::codifica(texto));
}

bool ControleSocket::envia(const QByteArray &bloco)
{
    if (!conectado())
        return false;
    if (bloco.isEmpty())
        return true;
    m_envioPendente = true;
    // The channel hands the bytes to the system now: when they all fit, the
    // send is complete before the caller waits, and no event-loop round is
    // needed.
    if (m_canal->escreve(bloco) != bloco.size()) {
        m_envioPendente = false;
        return false;
    }
    return true;
}

qint64 ControleSocket::bytesPorEnviar() const
{
    return m_canal ? m_canal->porEnviar() : 0;
}

ControleSocket::Entrega ControleSocket::entrega() const
{
    return m_testemunha ? m_testemunha->entrega() : Entrega::Desconhecida;
}

void ControleSocket::acompanhaEntrega(bool ligado)
{
    m_naoConfirmados = m_testemunha ? m_testemunha->naoConfirmados() : -1;
    if (ligado)
        m_vigiaEntrega.start();
    else
        m_vigiaEntrega.stop();
}

void ControleSocket::olhaEntrega()
{
    const qint64 antes = m_naoConfirmados;
    m_naoConfirmados = m_testemunha ? m_testemunha->naoConfirmados() : -1;
    if (antes > m_naoConfirmados && m_naoConfirmados >= 0)
        Q_EMIT progressoEnvio(antes - m_naoConfirmados);
    Q_EMIT entregaMudou();
}

QByteArray ControleSocket::leTudo()
{
    m_leuDuranteAviso = true;
    return m_canal ? m_canal->leTudo() : QByteArray();
}

void ControleSocket::aoMudarEstado(CanalTcp::Estado novo)
{
    const auto anterior = m_estadoAnterior;
    m_estadoAnterior = novo;
    const bool estavaLigado = anterior == CanalTcp::Estado::Conectado || anterior == CanalTcp::Estado::Fechando;
    if (novo == CanalTcp::Estado::Fechado && estavaLigado && !m_fechandoAqui) {
        m_envioPendente = false;
        Q_EMIT fechadoPeloServidor();
    }
    Q_EMIT estadoMudou();
}

void ControleSocket::aoEscrever(qint64 bytes)
{
    Q_EMIT progressoEnvio(bytes);
    // bytesWritten is not one signal per send: the send is complete when
    // nothing of it is left in the control's buffer.
    if (m_envioPendente && m_canal->porEnviar() == 0) {
        m_envioPendente = false;
        Q_EMIT envioCompleto();
    }
}

void ControleSocket::aoChegarDados()
{
    if (m_avisandoDados)
        return;
    m_avisandoDados = true;
    m_leuDuranteAviso = false;
    Q_EMIT dadosChegaram(m_canal->disponiveis());
    m_avisandoDados = false;
    // A handler that read and then opened a message box let more data in
    // without a new readyRead (Qt does not repeat it inside its own slot):
    // announce them.
    if (m_leuDuranteAviso && m_canal->disponiveis() > 0)
        QTimer::singleShot(0, this, &ControleSocket::aoChegarDados);
}
