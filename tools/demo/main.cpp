// tavo-prepara-demo: prepares the program's folder (TAVO_ROOT) for a demo
// against a local upload server. Safe to run again: what exists is kept.
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "store/Banco.h"
#include "store/LiteraisSql.h"
#include "store/Provisionamento.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

void criaPasta(const Instalacao &instalacao, const QString &caminhoWindows)
{
    const QString pasta = instalacao.local(caminhoWindows);
    if (!QDir().mkpath(pasta))
        throw ErroTavo(Erros::CaminhoNaoEncontrado, QStringLiteral("cannot create ") + pasta);
}

// Settings for the local server, only when none were saved yet.
void gravaConfiguracao(const Instalacao &instalacao, const QString &endereco, const QString &portas,
                       const QString &primeira)
{
    SessaoBanco sessao(instalacao.bancoLocal());
    sessao.Consulta.abre(QStringLiteral("select count(*) as linhas from configuracao"));
    const bool vazia = sessao.Consulta.campo(QStringLiteral("linhas")).toInt() == 0;
    sessao.Consulta.fecha();
    if (vazia)
        sessao.Conexao.execute(
            QStringLiteral("insert into configuracao (ip_servidor, qtde_portas, porta_inicial) values (")
            + LiteraisSql::texto(endereco) + QLatin1Char(',') + LiteraisSql::numero(portas) + QLatin1Char(',')
            + LiteraisSql::numero(primeira) + QLatin1Char(')'));
    sessao.fecha();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser linha;
    linha.setApplicationDescription(QStringLiteral(
        "Prepares the folder named by TAVO_ROOT for a demo: the local database with settings for a server on this "
        "machine, the school database, the package folder, the working folder and the removable-media folder."));
    linha.addHelpOption();
    linha.addOption(
        {QStringLiteral("escola"), QStringLiteral("School database (.mdb) to install."), QStringLiteral("file")});
    linha.addOption(
        {QStringLiteral("port"), QStringLiteral("First server port (default 47000)."), QStringLiteral("port")});
    linha.addOption({QStringLiteral("ports"), QStringLiteral("Number of ports (default 3)."), QStringLiteral("count")});
    linha.process(app);

    QTextStream erro(stderr);
    if (qEnvironmentVariableIsEmpty("TAVO_ROOT")) {
        erro << "TAVO_ROOT is not set\n";
        return 2;
    }
    try {
        const Instalacao instalacao = Instalacao::carrega();
        QDir().mkpath(instalacao.pastaPrograma());
        garanteBancoLocal(instalacao);
        gravaConfiguracao(
            instalacao, QStringLiteral("127.0.0.1"),
            linha.isSet(QStringLiteral("ports")) ? linha.value(QStringLiteral("ports")) : QStringLiteral("3"),
            linha.isSet(QStringLiteral("port")) ? linha.value(QStringLiteral("port")) : QStringLiteral("47000"));
        criaPasta(instalacao, Caminhos::pastaPacotes());
        criaPasta(instalacao, Caminhos::pastaTrabalho());
        // The stand-in drive a: inside the demo folder, made by its own
        // name: the mapping of "a:\" would name a stick mounted right now.
        QDir().mkpath(instalacao.pastaPrograma() + QStringLiteral("/drives/a"));
        const QString banco = instalacao.local(Caminhos::bancoEscola());
        if (linha.isSet(QStringLiteral("escola")) && !QFileInfo::exists(banco)) {
            if (!QFile::copy(linha.value(QStringLiteral("escola")), banco))
                throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("cannot copy the school database to ") + banco);
            QFile(banco).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    } catch (const ErroTavo &falha) {
        erro << "demo preparation failed: " << falha.descricao() << '\n';
        return 1;
    }
    return 0;
}
