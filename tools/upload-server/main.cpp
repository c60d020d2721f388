// tavo-upload-server: a reference upload server for trials, tests and demos.
#include "ServidorUpload.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <limits>

namespace {

const char *const kDescricao = R"(A small upload server that speaks the server side of the TAVO Upload
transfer protocol, so the client can be tried without the central office's server.

It listens on one or more consecutive ports (by default only on this machine,
127.0.0.1), greets each client with "accept", grants the packet size, accepts
the file, and stores every package it receives in a folder named after the
package, beside a text file (envio.txt) with the school and office the client
announced, the transmission type, the announced size and the received size.
It prints one line per event and runs until it is stopped (Ctrl+C).

It stores whole packages only. Each connection writes to a temporary file of
its own, beside the package, checks every write, writes it through to the disk
and gives it the package's name only when the announced size arrived whole;
only then does it log "file complete". A write that fails while the client is
still sending closes the connection at once (the client sees it lost and tries
again). A package that replaces one of the same name keeps the earlier one
beside it as <name>.YYYYMMDD-HHMMSS (when it was stored), with its envio.txt
as <name>.YYYYMMDD-HHMMSS.envio.txt. A size that is not a whole number from 0
to --max-bytes, a name with a control character or a line break, and the name
envio.txt are refused (PEND~# 0). A client that sends nothing for
--idle-timeout seconds while the server waits for it is closed, and no more
connections are served at once than its limit of open files allows (the next
one waits to be accepted). Temporary files left by a run that was killed are
removed at start.

Run as the service of its package (tavo-upload-server.service) it keeps the
packages in /var/lib/tavo-upload-server and takes its options from
/etc/default/tavo-upload-server.

The fault options make it misbehave on purpose, to see how the client copes:
deny access, grant a packet size below 2048, refuse the file, kick or drop the
client part-way through the data, never answer, read slowly, or send answers
glued together or cut in two.)";

qint64 numero(const QCommandLineParser &linha, const QString &opcao, qint64 padrao, bool &ok,
              qint64 maximo = std::numeric_limits<int>::max())
{
    if (!linha.isSet(opcao))
        return padrao;
    bool valido = false;
    qint64 valor = linha.value(opcao).toLongLong(&valido);
    valido = valido && valor >= std::numeric_limits<int>::min() && valor <= maximo;
    if (!valido) {
        QTextStream(stderr) << "--" << opcao << " needs a whole number, got \"" << linha.value(opcao) << "\"\n";
        ok = false;
    }
    return valor;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavo-upload-server"));

    QCommandLineParser linha;
    linha.setApplicationDescription(QString::fromUtf8(kDescricao));
    linha.addHelpOption();
    const auto opcao = [&linha](const char *nome, const char *ajuda, const char *valor = nullptr) {
        QCommandLineOption o(QString::fromLatin1(nome), QString::fromUtf8(ajuda));
        if (valor)
            o.setValueName(QString::fromLatin1(valor));
        linha.addOption(o);
    };
    opcao("address",
          "Address to listen on (default 127.0.0.1, this machine only). Give 0.0.0.0 to accept other "
          "machines.",
          "address");
    opcao("port", "First port to listen on (default 47000; 0 lets the system pick a free one).", "port");
    opcao("ports", "How many consecutive ports to listen on (default 1).", "count");
    opcao("dir",
          "Folder where received packages are stored (default: the service's $STATE_DIRECTORY, "
          "/var/lib/tavo-upload-server, when run as the service; else ./recebidos).",
          "folder");
    opcao("max-sessions",
          "Serve at most this many connections at once; one more is closed at once, unanswered, as an "
          "overloaded server does (default 0: no limit).",
          "count");
    opcao("max-bytes", "The largest package taken, in bytes (default 2147483648, 2 GiB); a larger size is refused.",
          "bytes");
    opcao("idle-timeout",
          "Close a client that sends nothing for this many seconds while the server waits for its request, "
          "its headers or its data (default 60).",
          "seconds");
    opcao("deny", "Fault: answer \"denied\" to every client.");
    opcao("packet-size", "Packet size to grant (default 2048; below 2048 the client gives up).", "bytes");
    opcao("refuse", "Fault: refuse the file (answer PEND~# 0).");
    opcao("kick-at", "Fault: send \"kickH#\" and close when this percentage of the file has arrived (0-99).",
          "percent");
    opcao("drop-at", "Fault: close the connection without a word at this percentage of the file (0-99).", "percent");
    opcao("silent", "Fault: accept connections but never answer anything.");
    opcao("slow", "Fault: read the file at only this many kilobytes per second.", "KB/s");
    opcao("coalesce", "Fault: send \"accept\" and the packet answer together in one write.");
    opcao("split", "Fault: send every answer in two writes, 150 ms apart.");
    linha.process(app);

    ConfiguracaoServidor configuracao;
    bool ok = true;
    if (linha.isSet(QStringLiteral("address"))
        && !configuracao.endereco.setAddress(linha.value(QStringLiteral("address")))) {
        QTextStream(stderr) << "not an IP address: " << linha.value(QStringLiteral("address")) << '\n';
        ok = false;
    }
    const int porta = int(numero(linha, QStringLiteral("port"), 47000, ok));
    if (porta < 0 || porta > 65535) {
        QTextStream(stderr) << "--port must be between 0 and 65535\n";
        ok = false;
    }
    configuracao.portaInicial = static_cast<quint16>(porta);
    configuracao.portas = int(numero(linha, QStringLiteral("ports"), 1, ok));
    configuracao.pasta = pastaRecebidos(linha.value(QStringLiteral("dir")),
                                        QString::fromLocal8Bit(qgetenv("STATE_DIRECTORY")), QDir::currentPath());
    configuracao.maxSessoes = int(numero(linha, QStringLiteral("max-sessions"), 0, ok));
    configuracao.maxBytes =
        numero(linha, QStringLiteral("max-bytes"), configuracao.maxBytes, ok, std::numeric_limits<qint64>::max());
    const qint64 ocioso = numero(linha, QStringLiteral("idle-timeout"), configuracao.ociosoMs / 1000, ok);
    configuracao.ociosoMs = int(qBound(qint64(0), ocioso, qint64(24 * 3600)) * 1000);
    configuracao.negar = linha.isSet(QStringLiteral("deny"));
    configuracao.pacote = int(numero(linha, QStringLiteral("packet-size"), 2048, ok));
    configuracao.recusar = linha.isSet(QStringLiteral("refuse"));
    configuracao.expulsarEm = int(numero(linha, QStringLiteral("kick-at"), -1, ok));
    configuracao.derrubarEm = int(numero(linha, QStringLiteral("drop-at"), -1, ok));
    configuracao.mudo = linha.isSet(QStringLiteral("silent"));
    configuracao.lentoKBs = int(numero(linha, QStringLiteral("slow"), 0, ok));
    configuracao.juntar = linha.isSet(QStringLiteral("coalesce"));
    configuracao.partir = linha.isSet(QStringLiteral("split"));
    if (configuracao.portas < 1) {
        QTextStream(stderr) << "--ports must be 1 or more\n";
        ok = false;
    }
    if (configuracao.maxSessoes < 0) {
        QTextStream(stderr) << "--max-sessions must be 0 or more\n";
        ok = false;
    }
    if (configuracao.maxBytes < 0) {
        QTextStream(stderr) << "--max-bytes must be 0 or more\n";
        ok = false;
    }
    if (ocioso < 1 || ocioso > 24 * 3600) {
        QTextStream(stderr) << "--idle-timeout must be from 1 to 86400 seconds\n";
        ok = false;
    }
    if (!ok)
        return 2;
    if (!QDir().mkpath(configuracao.pasta)) {
        QTextStream(stderr) << "cannot create the folder " << configuracao.pasta << '\n';
        return 1;
    }

    QTextStream saida(stdout);
    ServidorUpload servidor(configuracao);
    QObject::connect(&servidor, &ServidorUpload::registro, &servidor,
                     [&saida](const QString &texto) { saida << texto << Qt::endl; });
    if (servidor.inicia() == 0) {
        QTextStream(stderr) << "no port could be opened\n";
        return 1;
    }
    QStringList portas;
    for (const quint16 porta : servidor.portasAbertas())
        portas.append(QString::number(porta));
    saida << "listening on " << configuracao.endereco.toString() << " port(s) " << portas.join(QLatin1Char(','))
          << ", storing packages in " << configuracao.pasta;
    if (configuracao.maxSessoes > 0)
        saida << ", at most " << configuracao.maxSessoes << " session(s) at once";
    saida << Qt::endl;
    saida << "packages of at most " << configuracao.maxBytes << " bytes; clients silent for "
          << configuracao.ociosoMs / 1000 << " s while awaited are closed" << Qt::endl;
    return QCoreApplication::exec();
}
