#pragma once

#include "common/plataforma/PlataformaRede.h"
#include "transfer/CanalTcp.h"
#include "transfer/MensagensServidor.h"

#include <QObject>
#include <QTimer>

#include <memory>

// The main window's socket control ("WindowsSocket"): one TCP connection to
// the upload server, with the operations and events the transfer relies on.
// It never listens. Data that arrive are kept in its receive buffer, which is
// emptied whenever a connection ends or starts. The connection is made by the
// module tavo-rede, loaded at the first attempt; when it cannot be loaded,
// every attempt fails at once and `erro` says why.
class ControleSocket : public QObject
{
    Q_OBJECT

public:
    explicit ControleSocket(QObject *parent = nullptr);
    ~ControleSocket() override;

    // Closes the connection at once, whatever its state; no event follows
    // but `estadoMudou`.
    void fecha();
    // Starts a connection attempt through `proxy` (a direct one by
    // default). A port outside 1-65535 makes no attempt: the control stays
    // closed, which the caller sees as a failed attempt.
    void conecta(const QString &endereco, qint64 porta, const ProxyCliente &proxy = {});
    // The route of the last attempt ("direct", "socks5 usuario@host:porta",
    // ...; see CanalTcp::rota), never with a password.
    QString rota() const;

    bool conectando() const;
    bool conectado() const;
    CanalTcp::Estado estado() const;

    // Sends a text as single Windows-1252 bytes, or a block as it is. False
    // when the control is not connected (nothing is sent). `envioCompleto`
    // follows once every byte of the send has gone to the operating system.
    bool envia(const QString &texto);
    bool envia(const QByteArray &bloco);
    // Bytes handed to the control and not yet to the operating system.
    qint64 bytesPorEnviar() const;

    // Whether what was handed to the operating system reached the server:
    // every byte acknowledged by its system, or lost with a reset. Still
    // known after the server closed the connection, until the next
    // connection or `fecha`.
    using Entrega = PlataformaRede::Testemunha::Entrega;
    Entrega entrega() const;
    // While on, the delivery is looked at every few milliseconds: its
    // progress raises `progressoEnvio`, any look `entregaMudou`.
    void acompanhaEntrega(bool ligado);

    // All data available now.
    QByteArray leTudo();

    // The last error of the connection in the system's words ("Connection
    // refused", "The remote host closed the connection"), for the log;
    // empty when none came since the last attempt began.
    const QString &erro() const { return m_erro; }
    LeitorMensagens &leitor() { return m_leitor; }

Q_SIGNALS:
    // Data arrived (the number of bytes available).
    void dadosChegaram(qint64 disponiveis);
    void conectou();
    // The server closed the connection (not emitted for `fecha`).
    void fechadoPeloServidor();
    // The last send has been handed over completely.
    void envioCompleto();
    // Some bytes of a send were handed over (a send is progressing).
    void progressoEnvio(qint64 bytes);
    // Any change of state, including a close by this side.
    void estadoMudou();
    // The delivery was looked at again (see acompanhaEntrega).
    void entregaMudou();

private:
    // The channel, made at the first attempt; false when the module is
    // missing (`m_erro` says why).
    bool preparaCanal();
    void aoMudarEstado(CanalTcp::Estado novo);
    void aoEscrever(qint64 bytes);
    void aoChegarDados();
    void olhaEntrega();

    std::unique_ptr<CanalTcp> m_canal;
    std::unique_ptr<PlataformaRede::Testemunha> m_testemunha;
    QTimer m_vigiaEntrega;
    qint64 m_naoConfirmados = -1;
    LeitorMensagens m_leitor;
    QString m_erro;
    QString m_rota = QStringLiteral("direct");
    CanalTcp::Estado m_estadoAnterior = CanalTcp::Estado::Fechado;
    bool m_fechandoAqui = false;
    bool m_envioPendente = false;
    bool m_avisandoDados = false;
    bool m_leuDuranteAviso = false;
};
