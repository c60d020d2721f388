#pragma once

#include "ConfiguracaoServidor.h"
#include "Recebimento.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class QTcpSocket;
class ServidorUpload;

// The server side of one client connection: answers the packet request,
// reads the file header and the size header, takes the file and stores it
// with a text file of what the client announced. What it buffers of each
// header is bounded, and a client that sends nothing for the idle time while
// the server waits for it is closed.
class SessaoUpload : public QObject
{
    Q_OBJECT

public:
    SessaoUpload(QTcpSocket *socket, const ConfiguracaoServidor &configuracao, ServidorUpload &servidor);

private:
    enum class Fase { Pedido, Cabecalho, Tamanho, Dados, Concluida, Encerrada };

    void aoChegarDados();
    void processa(const QByteArray &dados);
    void processaPedido();
    void processaCabecalho();
    void concluiTamanho();
    void recebeDados(const QByteArray &dados);
    void verificaFalhas();
    void concluiArquivo();
    void leDevagar();
    qint64 bytesPorPassoLento() const;
    void aoDesconectar();
    void aoFicarOcioso();
    void rearmaOcioso();
    // Ends the connection at once (the client sees it lost), discarding a
    // package not yet whole; `motivo` goes to the log.
    void encerra(const QString &motivo);
    void recusa(const QString &motivo);
    QByteArray metadados() const;

    void responde(const QByteArray &mensagem);
    void escrevePedacoPartido();
    void escreve(const QByteArray &bytes);
    void registra(const QString &linha);

    QTcpSocket *m_socket;
    ConfiguracaoServidor m_configuracao;
    ServidorUpload &m_servidor;
    QString m_origem;
    Fase m_fase = Fase::Pedido;
    QByteArray m_buffer;
    QByteArray m_aceitePendente;
    QTimer m_fimDoTamanho;
    QTimer m_leituraLenta;
    QTimer m_escritaPartida;
    QTimer m_ocioso;
    bool m_sobraRegistrada = false;
    QList<QByteArray> m_pedacosPartidos;

    IdentidadeRecebida m_identidade;
    Recebimento m_recebimento;
    qint64 m_anunciado = 0;
    qint64 m_recebido = 0;
};
