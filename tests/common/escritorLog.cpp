// A process that writes numbered lines to the log of a folder, for tst_log's
// processes sharing one log file:
//
//   escritorLog <folder> <cap> <files> <lines> <start>
//
// It waits (30 s at most) for the file <start> to exist, so that all of them
// write at once, then logs "linha 0" to "linha <lines - 1>" in tavo.zip.
#include "common/Log.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("escritorLog"));
    const QStringList argumentos = QCoreApplication::arguments();
    if (argumentos.size() != 6)
        return 2;
    Log::Destino destino;
    destino.pasta = argumentos.at(1);
    destino.eco = Log::Eco::Nenhum;
    destino.limite = argumentos.at(2).toLongLong();
    destino.arquivos = argumentos.at(3).toInt();
    const int linhas = argumentos.at(4).toInt();
    const QDeadlineTimer prazo(30000);
    while (!QFileInfo::exists(argumentos.at(5))) {
        if (prazo.hasExpired())
            return 3;
        QThread::msleep(1);
    }
    const Log::Instalacao log(destino);
    for (int i = 0; i < linhas; ++i)
        qCInfo(lcZip).noquote() << QStringLiteral("linha %1").arg(i);
    return 0;
}
