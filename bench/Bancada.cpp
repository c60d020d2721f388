#include "Bancada.h"

#include "common/Caminhos.h"
#include "common/Instalacao.h"
#include "common/gui/CaixaMensagem.h"
#include "shell/AcessoBancada.h"
#include "shell/frmPrincipal.h"
#include "store/Banco.h"
#include "store/Provisionamento.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace Bancada {

namespace {

QStringList &titulos()
{
    static QStringList lista;
    return lista;
}

} // namespace

double segundosDesde(std::chrono::steady_clock::time_point inicio)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
}

double cpuSegundos()
{
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    const auto segundos = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return segundos(uso.ru_utime) + segundos(uso.ru_stime);
}

long picoMemoriaKB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &linha : status.readAll().split('\n')) {
        if (linha.startsWith("VmHWM:"))
            return linha.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void respondeCaixas()
{
    CaixaMensagem::instalaRoteiro([](const CaixaMensagem::Registro &caixa) {
        titulos().append(caixa.titulo);
        return caixa.botoes == CaixaMensagem::Botoes::SimNao ? CaixaMensagem::Resposta::Sim
                                                             : CaixaMensagem::Resposta::Ok;
    });
}

QStringList titulosDasCaixas()
{
    return titulos();
}

const Instalacao &instalacao()
{
    static const Instalacao lida = Instalacao::carrega();
    return lida;
}

void preparaInstalacao(quint16 porta)
{
    QDir().mkpath(instalacao().local(Caminhos::pastaTrabalho()));
    QDir().mkpath(instalacao().local(Caminhos::pastaPacotes()));
    garanteBancoLocal(instalacao());
    SessaoBanco sessao(instalacao().bancoLocal());
    sessao.Conexao.execute(QStringLiteral("delete from configuracao"));
    if (porta != 0)
        sessao.Conexao.execute(QStringLiteral("insert into configuracao values ('127.0.0.1', 1, %1)").arg(porta));
    sessao.fecha();
}

std::unique_ptr<frmPrincipal> abreJanela()
{
    auto janela = std::make_unique<frmPrincipal>(instalacao());
    janela->Form_Load();
    janela->show();
    processaEventos(50);
    frmPrincipal::AcessoBancada(*janela).IdentificaEscola(
        DadosEscola{QStringLiteral("114"), QStringLiteral("SSRE DE SÃO JOÃO DEL-REI"),
                    QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA"), QStringLiteral("31045678")});
    controle<QRadioButton>(*janela, "optTipoTrasmissao_0")->setChecked(true);
    return janela;
}

QString colocaPacote(frmPrincipal &janela, const QString &origem)
{
    const QString nome = QStringLiteral("DADOS_31045678_07122026.zip");
    const QString destino = instalacao().local(Caminhos::pastaTrabalho()) + QLatin1Char('/') + nome;
    QFile::remove(destino);
    if (::link(QFile::encodeName(origem).constData(), QFile::encodeName(destino).constData()) != 0
        && !QFile::copy(origem, destino)) {
        std::fprintf(stderr, "cannot place the package %s\n", qPrintable(origem));
        std::exit(2);
    }
    frmPrincipal::AcessoBancada(janela).escolhePacote(
        PacoteEscolhido::comOrigem(instalacao(), origem, Caminhos::pastaTrabalho() + QLatin1Char('\\') + nome,
                                   QStringLiteral("31045678"), QStringLiteral("ESCOLA ESTADUAL JOÃO E MARIA")));
    janela.HabilitaBotoesEnvio();
    return nome;
}

QObject *controleDe(const QObject &janela, const char *nome)
{
    QObject *controle = janela.findChild<QObject *>(QLatin1String(nome));
    if (!controle) {
        // A page the window builds when first shown is built first.
        for (QObject *filho : janela.findChildren<QObject *>()) {
            if (filho->inherits("AbaSobDemanda"))
                QMetaObject::invokeMethod(filho, "monta", Qt::DirectConnection);
        }
        controle = janela.findChild<QObject *>(QLatin1String(nome));
    }
    if (!controle) {
        std::fprintf(stderr, "the window has no control %s\n", nome);
        std::exit(2);
    }
    return controle;
}

void processaEventos(int ms)
{
    QEventLoop laco;
    QTimer::singleShot(ms, &laco, &QEventLoop::quit);
    laco.exec();
}

void informa(const char *chave, double valor)
{
    std::printf("%s=%.6f\n", chave, valor);
    std::fflush(stdout);
}

void informa(const char *chave, const QString &valor)
{
    std::printf("%s=%s\n", chave, qPrintable(valor));
    std::fflush(stdout);
}

} // namespace Bancada
