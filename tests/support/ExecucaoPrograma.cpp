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
