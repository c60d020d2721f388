#include "SessaoUpload.h"

#include "ServidorUpload.h"
#include "common/ArquivoIni.h"
#include "transfer/Windows1252.h"

#include <QDateTime>
#include <QDir>
#include <QTcpSocket>
#include <QTextStream>

namespace {

const QByteArray kPedido = QByteArrayLiteral("Request#:PACKET");
const QByteArray kNome = QByteArrayLiteral("File~~~#:name~#:");
const QByteArray kTamanho = QByteArrayLiteral("File~~~#:size~#:");
// The size header has no terminator: it is whole after this much silence
// (a header split by a pause on a slow link is still read whole).
constexpr int kEsperaTamanhoMs = 300;
constexpr int kPassoLentoMs = 100;
// The most each phase keeps of what a client sends before its message is
// whole: the client's packet request is 15 bytes, its file header a few
// hundred, its size header at most 19 digits.
constexpr qsizetype kMaiorPedido = 1024;
constexpr qsizetype kMaiorCabecalho = 4096;
constexpr qsizetype kMaiorTamanho = 64;
// What the socket holds at most between two reads.
constexpr qint64 kBufferLeitura = 256 * 1024;

// A client's text as it goes into one line of the log or of envio.txt: each
// control character (a line break, say) written as \xHH, so that nothing a
// client sends makes a line of its own.
QString legivel(const QByteArray &bytes)
{
    return ArquivoIni::textoEscapado(bytes);
}
QString legivel(const QString &texto)
{
    return legivel(texto.toUtf8());
}

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
    m_ocioso.setSingleShot(true);
    m_ocioso.setInterval(m_configuracao.ociosoMs);
    connect(&m_ocioso, &QTimer::timeout, this, &SessaoUpload::aoFicarOcioso);
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
    rearmaOcioso();
    // Reading slowly: the socket holds no more than one step's worth, so
    // the rest waits in the operating system and the client feels the pace.
    m_socket->setReadBufferSize(m_configuracao.lentoKBs > 0 ? bytesPorPassoLento() : kBufferLeitura);
}

// The wait for the client is bounded while the server waits for it: for the
// packet request, the headers and the data. A server that never answers
// (--silent) keeps the client waiting instead, and what follows a refusal or
// the whole file is the client's to close.
void SessaoUpload::rearmaOcioso()
{
    const bool esperaCliente =
        m_fase == Fase::Pedido || m_fase == Fase::Cabecalho || m_fase == Fase::Tamanho || m_fase == Fase::Dados;
    if (esperaCliente && !m_configuracao.mudo)
        m_ocioso.start();
    else
        m_ocioso.stop();
}

void SessaoUpload::aoFicarOcioso()
{
    static const char *const esperado[] = {"the packet request", "the file header", "the size header", "the data"};
    encerra(QStringLiteral("nothing received for %1 s while waiting for %2; connection closed")
                .arg(m_configuracao.ociosoMs / 1000.0)
                .arg(QLatin1String(esperado[qMin(int(m_fase), 3)])));
}

void SessaoUpload::encerra(const QString &motivo)
{
    registra(motivo);
    if (m_recebimento.aberto()) {
        m_recebimento.descarta();
        registra(QStringLiteral("%1 of %2 bytes received; nothing stored").arg(m_recebido).arg(m_anunciado));
    }
    m_fase = Fase::Encerrada;
    m_ocioso.stop();
    m_fimDoTamanho.stop();
    m_leituraLenta.stop();
    m_socket->abort();
}

void SessaoUpload::recusa(const QString &motivo)
{
    registra(motivo + QStringLiteral("; refusing the file"));
    responde(QByteArrayLiteral("Received PEND~# 0"));
    m_fase = Fase::Concluida;
    rearmaOcioso();
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
    rearmaOcioso();
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
        if (m_buffer.size() > kMaiorTamanho)
            concluiTamanho(); // longer than any size: refused at once
        else
            m_fimDoTamanho.start();
        break;
    case Fase::Dados:
        recebeDados(dados);
        break;
    case Fase::Concluida:
        // Told once: a client that goes on sending does not fill the log.
        if (!std::exchange(m_sobraRegistrada, true))
            registra(
                QStringLiteral("%1 bytes after the end of the file, ignored (and whatever follows)").arg(dados.size()));
        break;
    case Fase::Encerrada:
        break;
    }
}

void SessaoUpload::processaPedido()
{
    const qsizetype posicao = m_buffer.indexOf(kPedido);
    if (posicao < 0) {
        if (m_buffer.size() > kMaiorPedido)
            encerra(QStringLiteral("no packet request in the first %1 bytes; connection closed").arg(kMaiorPedido));
        return;
    }
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
        encerra(QStringLiteral("unexpected data instead of the file header: \"%1\"; connection closed")
                    .arg(legivel(m_buffer.left(40))));
        return;
    }
    const qsizetype tamanho = m_buffer.indexOf(kTamanho, kNome.size());
    if (tamanho < 0) {
        if (m_buffer.size() > kMaiorCabecalho)
            encerra(QStringLiteral("a file header longer than %1 bytes; connection closed").arg(kMaiorCabecalho));
        return;
    }
    const QString texto = Windows1252::decodifica(m_buffer.mid(kNome.size(), tamanho - kNome.size()));
    m_identidade = leIdentidade(texto);
    registra(QStringLiteral("file header \"%1\"%2")
                 .arg(legivel(texto), m_identidade.valida ? QString() : QStringLiteral(" (malformed)")));
    Q_EMIT m_servidor.cabecalhoRecebido(m_identidade);
    m_buffer.remove(0, tamanho + kTamanho.size());
    m_fase = Fase::Tamanho;
    m_fimDoTamanho.start();
}

void SessaoUpload::concluiTamanho()
{
    m_fimDoTamanho.stop();
    if (m_fase != Fase::Tamanho)
        return; // the connection ended meanwhile
    // A whole number from 0 to the limit, nothing else: a size that is not
    // one is refused, and nothing stored is touched.
    const QByteArray texto = m_buffer.trimmed();
    m_buffer.clear();
    const bool algarismos = !texto.isEmpty() && texto.size() <= 18
                            && std::all_of(texto.begin(), texto.end(), [](char c) { return c >= '0' && c <= '9'; });
    m_anunciado = algarismos ? texto.toLongLong() : -1;
    if (m_anunciado < 0 || m_anunciado > m_configuracao.maxBytes) {
        m_anunciado = 0;
        recusa(QStringLiteral("size header \"%1\" is not a whole number from 0 to %2")
                   .arg(legivel(texto.left(40)))
                   .arg(m_configuracao.maxBytes));
        return;
    }
    registra(QStringLiteral("size %1 bytes").arg(m_anunciado));
    Q_EMIT m_servidor.tamanhoRecebido(m_anunciado);
    if (m_fase != Fase::Tamanho)
        return; // a test closed the connection from the signal
    if (m_configuracao.recusar) {
        recusa(QStringLiteral("told to refuse every file"));
        return;
    }
    if (const QString motivo = Recebimento::motivoRecusa(m_identidade.nomeArquivo); !motivo.isEmpty()) {
        recusa(QStringLiteral("package name \"%1\" not taken: %2").arg(legivel(m_identidade.nomeArquivo), motivo));
        return;
    }
    if (const int codigo = m_recebimento.abre(m_configuracao.pasta, nomeSeguro(m_identidade.nomeArquivo))) {
        recusa(QStringLiteral("cannot write in %1: %2")
                   .arg(QDir(m_configuracao.pasta).filePath(nomeSeguro(m_identidade.nomeArquivo)),
                        PlataformaArquivos::textoDoSistema(codigo)));
        return;
    }
    registra(QStringLiteral("receiving into %1").arg(m_recebimento.temporario()));
    m_recebido = 0;
    m_fase = Fase::Dados;
    rearmaOcioso();
    responde(QByteArrayLiteral("Received PEND~# 1"));
    verificaFalhas();
    if (m_fase == Fase::Dados && m_anunciado == 0)
        concluiArquivo();
}

void SessaoUpload::recebeDados(const QByteArray &dados)
{
    const qint64 cabe = qMin<qint64>(dados.size(), m_anunciado - m_recebido);
    if (const int codigo = m_recebimento.escreve(dados.constData(), cabe)) {
        // The client is still sending: it sees the connection lost and
        // tries again later.
        encerra(QStringLiteral("cannot write %1: %2; connection closed")
                    .arg(m_recebimento.temporario(), PlataformaArquivos::textoDoSistema(codigo)));
        return;
    }
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

QByteArray SessaoUpload::metadados() const
{
    QString texto;
    QTextStream saida(&texto);
    saida << "arquivo: " << legivel(m_identidade.nomeArquivo) << '\n'
          << "codigo_escritorio: " << legivel(m_identidade.codigoEscritorio) << '\n'
          << "escritorio: " << legivel(m_identidade.escritorio) << '\n'
          << "codigo_escola: " << legivel(m_identidade.codigoEscola) << '\n'
          << "escola: " << legivel(m_identidade.escola) << '\n'
          << "tipo: " << legivel(m_identidade.tipo) << '\n'
          << "tamanho_anunciado: " << m_anunciado << '\n'
          << "tamanho_recebido: " << m_recebido << '\n'
          << "recebido_em: " << QDateTime::currentDateTime().toString(Qt::ISODate) << '\n'
          << "origem: " << m_origem << '\n';
    return texto.toUtf8();
}

void SessaoUpload::concluiArquivo()
{
    m_leituraLenta.stop();
    m_fase = Fase::Concluida;
    rearmaOcioso();
    const Recebimento::Conclusao conclusao = m_recebimento.conclui(metadados());
    if (!conclusao.falha.isEmpty()) {
        // The client may be waiting for its last bytes to be acknowledged:
        // a reset tells it they were not taken.
        encerra(QStringLiteral("the whole file arrived (%1 bytes) but was not stored: %2; connection closed")
                    .arg(m_recebido)
                    .arg(conclusao.falha));
        return;
    }
    if (!conclusao.anterior.isEmpty())
        registra(QStringLiteral("the package already in %1 is kept as %2").arg(conclusao.destino, conclusao.anterior));
    registra(QStringLiteral("file complete, %1 bytes, stored in %2").arg(m_recebido).arg(conclusao.destino));
    if (!conclusao.aviso.isEmpty())
        registra(QStringLiteral("warning: ") + conclusao.aviso);
    Q_EMIT m_servidor.arquivoRecebido(conclusao.destino);
}

void SessaoUpload::aoDesconectar()
{
    m_leituraLenta.stop();
    // What the client sent before closing is still taken (a slow reader
    // may be behind).
    if (m_fase == Fase::Dados)
        processa(m_socket->readAll());
    m_fimDoTamanho.stop();
    m_ocioso.stop();
    if (m_recebimento.aberto()) {
        m_recebimento.descarta();
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
