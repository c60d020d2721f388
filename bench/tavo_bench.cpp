// tavo-bench: runs one of the program's own code paths on inputs prepared by
// bench/run.sh and prints what it measured as "key=value" lines. Every mode
// works in the installation TAVO_ROOT points at (a temporary folder of the
// script), with the main window open offscreen as the program opens it.
//
//   zip <source> <archive>        the zip step of "Gerar" (ZipaArquivo, progress relay and all)
//   gera <school database>        the whole "Gerar" without a window (GeracaoPacote: identification,
//                                 package, self-test, copy), as the console runs it
//   envia <package> <port>        "Transmitir" clicked: the whole transfer through the window; also
//                                 the data phase alone, from the server's grant to its system's
//                                 acknowledgement of the last byte
//   ocioso <package> <port>       the same client, window open, doing nothing for a while
//   pedacos <package>             "Disquete"'s cutting (DivideArquivo) and "..."'s joining (AgrupaArquivos)
//   historico <month> <year> <out> the history report of a month (GeraHistorico), written to <out>
//   prepara                       only makes the local database (the script then fills it)
#include "Bancada.h"

#include "common/Caminhos.h"
#include "common/Interlocutor.h"
#include "history/GeraHistorico.h"
#include "intake/SelecaoPacote.h"
#include "package/ExportacaoDisquete.h"
#include "package/GeracaoPacote.h"
#include "package/StatusZip.h"
#include "package/modAddZip.h"
#include "shell/AcessoBancada.h"
#include "shell/ListaArquivos.h"
#include "shell/frmPrincipal.h"
#include "transfer/SessaoTransferencia.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>
#include <optional>
#include <unistd.h>

using Bancada::informa;
using Clock = std::chrono::steady_clock;

namespace {

// The moment the send logs its completion: the server's system has
// acknowledged the last byte (before the record and the box).
std::optional<Clock::time_point> g_entregue;
QtMessageHandler g_manipuladorAnterior = nullptr;

void marcaEntrega(QtMsgType tipo, const QMessageLogContext &contexto, const QString &texto)
{
    if (!g_entregue && texto.startsWith(QLatin1String("Transfer complete:")))
        g_entregue = Clock::now();
    if (g_manipuladorAnterior)
        g_manipuladorAnterior(tipo, contexto, texto);
}

} // namespace

namespace {

int uso()
{
    std::fprintf(stderr, "usage: tavo-bench zip|gera|envia|ocioso|pedacos|historico ...\n");
    return 2;
}

int zip(const QStringList &args)
{
    if (args.size() != 2)
        return uso();
    Bancada::preparaInstalacao();
    const auto janela = Bancada::abreJanela();
    QFile::remove(args[1]);
    const auto inicio = Clock::now();
    ZipaArquivo(Bancada::instalacao(), args[1], args[0],
                [&janela](const EventoZip &evento) { frmPrincipal::AcessoBancada(*janela).relayZip(evento); });
    informa("segundos", Bancada::segundosDesde(inicio));
    informa("tamanho", double(QFileInfo(args[1]).size()));
    return 0;
}

// The user of a run without a window: answers OK and keeps what it was told.
class InterlocutorBancada : public Interlocutor
{
public:
    QStringList textos;
    Mensagens::Resposta responde(const Mensagens::Mensagem &mensagem) override
    {
        textos.append(mensagem.texto);
        return Mensagens::Resposta::Ok;
    }
};

int gera(const QStringList &args)
{
    if (args.size() != 1)
        return uso();
    Bancada::preparaInstalacao();
    // The school database where "Gerar" looks for it (a hard link when the
    // file system allows it, else a copy).
    const QString banco = Bancada::instalacao().local(Caminhos::bancoEscola());
    QDir().mkpath(QFileInfo(banco).absolutePath());
    QFile::remove(banco);
    if (::link(QFile::encodeName(args[0]).constData(), QFile::encodeName(banco).constData()) != 0
        && !QFile::copy(args[0], banco))
        return 2;
    IniciaComponenteZip();
    informa("pico_antes_kb", double(Bancada::picoMemoriaKB()));
    InterlocutorBancada interlocutor;
    GeracaoPacote geracao(Bancada::instalacao(), Caminhos::bancoEscola(), QDate(2026, 12, 7), interlocutor);
    // What the console does with the progress, minus the terminal.
    qint64 linhas = 0;
    QObject::connect(&geracao, &GeracaoPacote::progressoZip, &geracao,
                     [&](const EventoZip &evento) { linhas += LinhaEvento(evento).size() > 0; });
    const auto inicio = Clock::now();
    const GeracaoPacote::Resultado resultado = geracao.executa();
    informa("segundos", Bancada::segundosDesde(inicio));
    informa("pico_kb", double(Bancada::picoMemoriaKB()));
    informa("linhas", double(linhas));
    informa("tamanho", double(QFileInfo(Bancada::instalacao().local(resultado.pacote)).size()));
    informa("pacote", Bancada::instalacao().local(resultado.pacote));
    for (const QString &texto : interlocutor.textos)
        std::fprintf(stderr, "tavo-bench gera: %s\n", qPrintable(texto));
    return resultado.gerado && interlocutor.textos.isEmpty() ? 0 : 1;
}

int envia(const QStringList &args, bool ocioso)
{
    if (args.size() != 2)
        return uso();
    Bancada::preparaInstalacao(static_cast<quint16>(args[1].toUInt()));
    const auto janela = Bancada::abreJanela();
    Bancada::colocaPacote(*janela, args[0]);
    // The user is on the "Transmissão" tab, where "Transmitir" is: the
    // progress bar and the status line repaint as the file goes out.
    Bancada::controle<QTabWidget>(*janela, "SSTab")->setCurrentIndex(2);
    Bancada::processaEventos(200);
    informa("pico_antes_kb", double(Bancada::picoMemoriaKB()));
    if (ocioso) {
        // The window stays open, repainting as it would, for a moment.
        Bancada::processaEventos(1500);
        informa("pico_kb", double(Bancada::picoMemoriaKB()));
        return 0;
    }
    // The data phase begins once the server granted the file.
    std::optional<Clock::time_point> concedido;
    QObject::connect(janela->findChild<SessaoTransferencia *>(), &SessaoTransferencia::arquivoEmEnvio, janela.get(),
                     [&concedido](const QString &texto) {
                         if (!texto.isEmpty() && !concedido)
                             concedido = Clock::now();
                     });
    g_manipuladorAnterior = qInstallMessageHandler(marcaEntrega);
    const double cpuAntes = Bancada::cpuSegundos();
    const auto inicio = Clock::now();
    Bancada::controle<QPushButton>(*janela, "cmdTransmitir")->click();
    const double segundos = Bancada::segundosDesde(inicio);
    const double cpu = Bancada::cpuSegundos() - cpuAntes;
    qInstallMessageHandler(g_manipuladorAnterior);
    informa("segundos", segundos);
    if (concedido && g_entregue)
        informa("segundos_dados", std::chrono::duration<double>(*g_entregue - *concedido).count());
    informa("cpu", cpu);
    informa("pico_kb", double(Bancada::picoMemoriaKB()));
    const QStringList titulos = Bancada::titulosDasCaixas();
    informa("caixas", titulos.join(QLatin1Char('|')));
    // The flow ends in "Transferência OK!" only when the whole file went out.
    return titulos.contains(QStringLiteral("Transferência OK!")) ? 0 : 1;
}

int pedacos(const QStringList &args)
{
    if (args.size() != 1)
        return uso();
    Bancada::preparaInstalacao();
    const auto janela = Bancada::abreJanela();
    // The package as "Gerar" leaves it: in the package folder.
    const QString nome = QStringLiteral("DADOS_31045678_07122026.zip");
    const QString pacote = Caminhos::pastaPacotes() + nome;
    QFile::remove(Bancada::instalacao().local(pacote));
    if (!QFile::copy(args[0], Bancada::instalacao().local(pacote)))
        return 2;
    Bancada::controle<QLineEdit>(*janela, "txtCaminhoArquivo")->setText(pacote);

    const auto inicio = Clock::now();
    // The window shows the working folder as the pieces appear, as "Disquete" does.
    auto *lista = Bancada::controle<ListaArquivos>(*janela, "File1");
    const int quantidade =
        DivideArquivo(Bancada::instalacao(), pacote, [&](int) { lista->setPath(Caminhos::pastaTrabalho()); });
    const double corte = Bancada::segundosDesde(inicio);
    const bool juntou = AgrupaArquivos(Bancada::instalacao(), Caminhos::pastaTrabalho() + QLatin1Char('\\'));
    const double total = Bancada::segundosDesde(inicio);
    informa("pedacos", double(quantidade));
    informa("segundos_corte", corte);
    informa("segundos", total);
    informa("saida", Bancada::instalacao().local(Caminhos::pastaTrabalho()) + QLatin1Char('/') + nome);
    return juntou && quantidade > 0 ? 0 : 1;
}

int historico(const QStringList &args)
{
    if (args.size() != 3)
        return uso();
    const auto inicio = Clock::now();
    const QString texto = GeraHistorico(Bancada::instalacao(), static_cast<std::int16_t>(args[0].toInt()),
                                        static_cast<std::int16_t>(args[1].toInt()), 0);
    const double segundos = Bancada::segundosDesde(inicio);
    QFile saida(args[2]);
    if (!saida.open(QIODevice::WriteOnly))
        return 2;
    saida.write(texto.toUtf8());
    informa("segundos", segundos);
    informa("linhas", double(texto.count(QLatin1Char('\n'))));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return uso();
    const QString modo = args.takeFirst();
    Bancada::respondeCaixas();
    try {
        if (modo == QLatin1String("zip"))
            return zip(args);
        if (modo == QLatin1String("gera"))
            return gera(args);
        if (modo == QLatin1String("envia"))
            return envia(args, false);
        if (modo == QLatin1String("ocioso"))
            return envia(args, true);
        if (modo == QLatin1String("pedacos"))
            return pedacos(args);
        if (modo == QLatin1String("historico"))
            return historico(args);
        if (modo == QLatin1String("prepara")) {
            Bancada::preparaInstalacao();
            return 0;
        }
    } catch (const std::exception &erro) {
        std::fprintf(stderr, "tavo-bench %s failed: %s\n", qPrintable(modo), erro.what());
        return 1;
    }
    return uso();
}
