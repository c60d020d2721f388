#pragma once

#include "ConfiguracaoServidor.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QObject>
#include <QTimer>

class QTcpSocket;
class ServidorUpload;

// The server side of one client connection: answers the packet request,
// reads the file header and the size header, takes the file and stores it
// with a text file of what the client announced.
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
    QList<QByteArray> m_pedacosPartidos;

    IdentidadeRecebida m_identidade;
    QString m_pastaDestino;
    QFile m_arquivo;
    qint64 m_anunciado = 0;
    qint64 m_recebido = 0;
};
