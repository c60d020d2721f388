#include "SessaoUpload.h"

#include "ServidorUpload.h"
#include "transfer/Windows1252.h"

#include <QDateTime>
#include <QDir>
#include <QTcpSocket>
#include <QTextStream>

namespace {

const QByteArray kPedido = QByteArrayLiteral("Request#:PACKET");
const QByteArray kNome = QByteArrayLiteral("File~~~#:name~#:");
const QByteArray kTamanho = QByteArrayLiteral("File~~~#:size~#:");
constexpr int kEsperaTamanhoMs = 40;
constexpr int kPassoLentoMs = 100;

} // namespace

SessaoUpload::SessaoUpload(QTcpSocket *socket, const ConfiguracaoServidor &configuracao, ServidorUpload &servidor)
    : m_socket(socket)
    , m_configuracao(configuracao)
    , m_servidor(servidor)
    , m_origem(QStringLiteral("%1:%2 -> port %3")
                   .arg(socket->peerAddress().toString())
                   .arg(socket->peerPort())
                   .arg(socket->localPort()))
{
    // The size header has no terminator: it is whole once nothing more
    // comes for a moment (the client waits for the answer before the data).
    m_fimDoTamanho.setSingleShot(true);
    m_fimDoTamanho.setInterval(kEsperaTamanhoMs);
    connect(&m_fimDoTamanho, &QTimer::timeout, this, &SessaoUpload::concluiTamanho);
    m_leituraLenta.setInterval(kPassoLentoMs);
    connect(&m_leituraLenta, &QTimer::timeout, this, &SessaoUpload::leDevagar);
    m_escritaPartida.setInterval(150);
    connect(&m_escritaPartida, &QTimer::timeout, this, &SessaoUpload::escrevePedacoPartido);
    connect(socket, &QTcpSocket::readyRead, this, &SessaoUpload::aoChegarDados);
    connect(socket, &QTcpSocket::disconnected, this, &SessaoUpload::aoDesconectar);

    registra(QStringLiteral("connected"));
    if (m_configuracao.negar) {
        responde(QByteArrayLiteral("Received denied"));
        m_fase = Fase::Encerrada;
    } else if (m_configuracao.juntar) {
        m_aceitePendente = QByteArrayLiteral("Received accept");
    } else {
        responde(QByteArrayLiteral("Received accept"));
    }
    // Reading slowly: the socket holds no more than one step's worth, so
    // the rest waits in the operating system and the client feels the pace.
    if (m_configuracao.lentoKBs > 0)
        m_socket->setReadBufferSize(bytesPorPassoLento());
}

void SessaoUpload::registra(const QString &linha)
{
    Q_EMIT m_servidor.registro(QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + m_origem
                               + QStringLiteral(": ") + linha);
}

void SessaoUpload::escreve(const QByteArray &bytes)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_socket->write(bytes);
    m_socket->flush();
}

void SessaoUpload::responde(const QByteArray &mensagem)
{
    if (m_configuracao.mudo)
        return;
    registra(QStringLiteral("answer \"%1\"").arg(QString::fromLatin1(mensagem)));
    if (!m_configuracao.partir) {
        escreve(mensagem);
        return;
    }
    // Cut inside the fixed part, so a client must wait for the rest. The
    // pieces go out in order, one every 150 ms, also across answers.
    m_pedacosPartidos.append(mensagem.left(6));
    m_pedacosPartidos.append(mensagem.mid(6));
    if (!m_escritaPartida.isActive()) {
        escreve(m_pedacosPartidos.takeFirst());
        m_escritaPartida.start();
    }
}

void SessaoUpload::escrevePedacoPartido()
{
    if (m_pedacosPartidos.isEmpty()) {
        m_escritaPartida.stop();
        return;
    }
    escreve(m_pedacosPartidos.takeFirst());
}

void SessaoUpload::aoChegarDados()
{
    if (m_fase == Fase::Dados && m_configuracao.lentoKBs > 0) {
        if (!m_leituraLenta.isActive())
            m_leituraLenta.start();
        return;
    }
    processa(m_socket->readAll());
}

qint64 SessaoUpload::bytesPorPassoLento() const
{
    return qMax<qint64>(1, qint64(m_configuracao.lentoKBs) * 1024 * kPassoLentoMs / 1000);
}

void SessaoUpload::leDevagar()
{
    const QByteArray dados = m_socket->read(bytesPorPassoLento());
    if (!dados.isEmpty())
        processa(dados);
}

void SessaoUpload::processa(const QByteArray &dados)
{
    if (dados.isEmpty())
        return;
    if (m_configuracao.guardaBrutos)
        m_servidor.m_brutos.append(dados);
    switch (m_fase) {
    case Fase::Pedido:
        m_buffer.append(dados);
        processaPedido();
        break;
    case Fase::Cabecalho:
        m_buffer.append(dados);
        processaCabecalho();
        break;
    case Fase::Tamanho:
        m_buffer.append(dados);
        m_fimDoTamanho.start();
        break;
    case Fase::Dados:
        recebeDados(dados);
        break;
    case Fase::Concluida:
        registra(QStringLiteral("%1 bytes after the end of the file, ignored").arg(dados.size()));
        break;
    case Fase::Encerrada:
        break;
    }
}

void SessaoUpload::processaPedido()
{
    const qsizetype posicao = m_buffer.indexOf(kPedido);
    if (posicao < 0)
        return;
    m_buffer.remove(0, posicao + kPedido.size());
    registra(QStringLiteral("packet request"));
    Q_EMIT m_servidor.pedidoRecebido();
    const QByteArray resposta = QByteArrayLiteral("Received PACKET ") + QByteArray::number(m_configuracao.pacote);
    if (!m_aceitePendente.isEmpty() && !m_configuracao.mudo) {
        registra(QStringLiteral("two answers in one write"));
        escreve(std::exchange(m_aceitePendente, {}) + resposta);
    } else {
        responde(resposta);
    }
    m_fase = Fase::Cabecalho;
    if (!m_buffer.isEmpty())
        processaCabecalho();
}

void SessaoUpload::processaCabecalho()
{
    if (!m_buffer.startsWith(kNome.left(qMin(m_buffer.size(), kNome.size())))) {
        registra(QStringLiteral("unexpected data instead of the file header: \"%1\"")
                     .arg(QString::fromLatin1(m_buffer.left(40))));
        m_buffer.clear();
        return;
    }
    const qsizetype tamanho = m_buffer.indexOf(kTamanho, kNome.size());
    if (tamanho < 0)
        return;
    const QString texto = Windows1252::decodifica(m_buffer.mid(kNome.size(), tamanho - kNome.size()));
    m_identidade = leIdentidade(texto);
    registra(QStringLiteral("file header \"%1\"%2")
                 .arg(texto, m_identidade.valida ? QString() : QStringLiteral(" (malformed)")));
    Q_EMIT m_servidor.cabecalhoRecebido(m_identidade);
    m_buffer.remove(0, tamanho + kTamanho.size());
    m_fase = Fase::Tamanho;
    m_fimDoTamanho.start();
}

void SessaoUpload::concluiTamanho()
{
    bool numero = false;
    m_anunciado = m_buffer.trimmed().toLongLong(&numero);
    if (!numero || m_anunciado < 0) {
        registra(QStringLiteral("size header is not a number: \"%1\"").arg(QString::fromLatin1(m_buffer.left(40))));
        m_anunciado = 0;
    }
    m_buffer.clear();
    registra(QStringLiteral("size %1 bytes").arg(m_anunciado));
    Q_EMIT m_servidor.tamanhoRecebido(m_anunciado);
    if (m_fase != Fase::Tamanho)
        return; // the connection ended meanwhile
    if (m_configuracao.recusar) {
        responde(QByteArrayLiteral("Received PEND~# 0"));
        m_fase = Fase::Concluida;
        return;
    }

    m_pastaDestino = QDir(m_configuracao.pasta).filePath(nomeSeguro(m_identidade.nomeArquivo));
    QDir().mkpath(m_pastaDestino);
    m_arquivo.setFileName(
        QDir(m_pastaDestino).filePath(nomeSeguro(m_identidade.nomeArquivo) + QStringLiteral(".parcial")));
    if (!m_arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        registra(QStringLiteral("cannot write %1: %2; refusing the file")
                     .arg(m_arquivo.fileName(), m_arquivo.errorString()));
        responde(QByteArrayLiteral("Received PEND~# 0"));
        m_fase = Fase::Concluida;
        return;
    }
    m_recebido = 0;
    m_fase = Fase::Dados;
    responde(QByteArrayLiteral("Received PEND~# 1"));
    verificaFalhas();
    if (m_fase == Fase::Dados && m_anunciado == 0)
        concluiArquivo();
}

void SessaoUpload::recebeDados(const QByteArray &dados)
{
    const qint64 cabe = qMin<qint64>(dados.size(), m_anunciado - m_recebido);
    m_arquivo.write(dados.constData(), cabe);
    m_recebido += cabe;
    Q_EMIT m_servidor.dadosRecebidos(m_recebido, m_anunciado);
    if (m_fase != Fase::Dados)
        return; // a test closed the connection from the signal
    verificaFalhas();
    if (m_fase != Fase::Dados)
        return;
    if (m_recebido == m_anunciado)
        concluiArquivo();
    if (dados.size() > cabe)
        registra(QStringLiteral("%1 bytes after the end of the file, ignored").arg(dados.size() - cabe));
}

void SessaoUpload::verificaFalhas()
{
    // A percentage of the data reached (an empty file reaches every one).
    const auto chegou = [this](int percentual) {
        if (percentual < 0)
            return false;
        if (m_anunciado == 0)
            return true;
        return m_recebido < m_anunciado && m_recebido * 100 >= qint64(percentual) * m_anunciado;
    };
    if (chegou(m_configuracao.expulsarEm)) {
        registra(QStringLiteral("kicking the client at %1 of %2 bytes").arg(m_recebido).arg(m_anunciado));
        m_fase = Fase::Encerrada;
        escreve(QByteArrayLiteral("Received kickH#"));
        m_socket->disconnectFromHost();
    } else if (chegou(m_configuracao.derrubarEm)) {
        registra(QStringLiteral("dropping the connection at %1 of %2 bytes").arg(m_recebido).arg(m_anunciado));
        m_fase = Fase::Encerrada;
        m_socket->abort();
    }
}

void SessaoUpload::concluiArquivo()
{
    m_leituraLenta.stop();
    m_arquivo.close();
    const QString nome = nomeSeguro(m_identidade.nomeArquivo);
    const QString destino = QDir(m_pastaDestino).filePath(nome);
    QFile::remove(destino);
    QFile::rename(m_arquivo.fileName(), destino);

    QFile info(QDir(m_pastaDestino).filePath(QStringLiteral("envio.txt")));
    if (info.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QTextStream saida(&info);
        saida.setEncoding(QStringConverter::Utf8);
        saida << "arquivo: " << m_identidade.nomeArquivo << '\n'
              << "codigo_escritorio: " << m_identidade.codigoEscritorio << '\n'
              << "escritorio: " << m_identidade.escritorio << '\n'
              << "codigo_escola: " << m_identidade.codigoEscola << '\n'
              << "escola: " << m_identidade.escola << '\n'
              << "tipo: " << m_identidade.tipo << '\n'
              << "tamanho_anunciado: " << m_anunciado << '\n'
              << "tamanho_recebido: " << m_recebido << '\n'
              << "recebido_em: " << QDateTime::currentDateTime().toString(Qt::ISODate) << '\n'
              << "origem: " << m_origem << '\n';
    }
    m_fase = Fase::Concluida;
    registra(QStringLiteral("file complete, %1 bytes, stored in %2").arg(m_recebido).arg(destino));
    Q_EMIT m_servidor.arquivoRecebido(destino);
}

void SessaoUpload::aoDesconectar()
{
    m_leituraLenta.stop();
    // What the client sent before closing is still taken (a slow reader
    // may be behind).
    if (m_fase == Fase::Dados)
        processa(m_socket->readAll());
    m_fimDoTamanho.stop();
    if (m_arquivo.isOpen()) {
        m_arquivo.close();
        m_arquivo.remove();
        registra(QStringLiteral("connection ended before the end of the file (%1 of %2 bytes); nothing stored")
                     .arg(m_recebido)
                     .arg(m_anunciado));
    } else {
        registra(QStringLiteral("disconnected"));
    }
    m_fase = Fase::Encerrada;
    Q_EMIT m_servidor.conexaoEncerrada();
    deleteLater();
}
