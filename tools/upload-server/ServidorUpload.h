#pragma once

#include "ConfiguracaoServidor.h"

#include <QList>
#include <QObject>

class QTcpServer;

// The reference upload server: listens on a range of ports and speaks the
// server side of the transfer protocol on each connection.
class ServidorUpload : public QObject
{
    Q_OBJECT

public:
    explicit ServidorUpload(const ConfiguracaoServidor &configuracao, QObject *parent = nullptr);

    // Starts listening on every port of the range. Returns the number of
    // ports that could be opened; each that could not is reported.
    int inicia();
    QList<quint16> portasAbertas() const;
    const ConfiguracaoServidor &configuracao() const { return m_configuracao; }

    // Every byte the last connection sent (with `guardaBrutos`).
    const QByteArray &brutos() const { return m_brutos; }

Q_SIGNALS:
    // One line per event, for the log.
    void registro(const QString &linha);
    void pedidoRecebido();
    void cabecalhoRecebido(const IdentidadeRecebida &identidade);
    void tamanhoRecebido(qint64 tamanho);
    void dadosRecebidos(qint64 recebidos, qint64 anunciados);
    // The whole file arrived and was stored at `caminho`.
    void arquivoRecebido(const QString &caminho);
    void conexaoEncerrada();

private:
    friend class SessaoUpload;
    void aoConectar(QTcpServer *servidor);
    bool lotado() const;

    ConfiguracaoServidor m_configuracao;
    QList<QTcpServer *> m_servidores;
    int m_sessoes = 0; // connections being served
    // As many sessions as the process's open files allow (0: no limit):
    // beyond them a connection waits, unaccepted, until one ends.
    int m_sessoesPossiveis = 0;
    bool m_lotadoRegistrado = false;
    QByteArray m_brutos;
};
