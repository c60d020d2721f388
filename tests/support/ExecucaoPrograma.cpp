#include "support/ExecucaoPrograma.h"

#include <QProcess>

Execucao executaPrograma(const QString &programa, const QStringList &argumentos, const QProcessEnvironment &ambiente,
                         int limiteMs, const QString &pasta)
{
    QProcess processo;
    processo.setWorkingDirectory(pasta);
    processo.setProcessEnvironment(ambiente);
    processo.start(programa, argumentos);
    Execucao execucao;
    if (!processo.waitForFinished(limiteMs)) {
        processo.kill();
        processo.waitForFinished(5000);
        return execucao;
    }
    execucao.codigo = processo.exitStatus() == QProcess::NormalExit ? processo.exitCode() : -2;
    execucao.saida = QString::fromUtf8(processo.readAllStandardOutput());
    execucao.erros = QString::fromUtf8(processo.readAllStandardError());
    return execucao;
}

QStringList comoNinguem()
{
    return {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
}

bool ninguemAlcanca(const QString &programa, const QString &pasta)
{
    const auto testa = [](const QString &condicao, const QString &caminho) {
        return executaPrograma(QStringLiteral("setpriv"),
                               comoNinguem() << QStringLiteral("test") << condicao << caminho,
                               QProcessEnvironment::systemEnvironment(), 10000, QStringLiteral("/"))
                   .codigo
               == 0;
    };
    return testa(QStringLiteral("-x"), programa) && testa(QStringLiteral("-w"), pasta);
}
