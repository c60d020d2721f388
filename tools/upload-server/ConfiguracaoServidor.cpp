#include "ConfiguracaoServidor.h"

#include <QDir>

IdentidadeRecebida leIdentidade(const QString &texto)
{
    IdentidadeRecebida id;
    const qsizetype primeira = texto.indexOf(QLatin1Char('*'));
    const qsizetype ultima = texto.lastIndexOf(QLatin1Char('*'));
    if (primeira < 0 || ultima <= primeira)
        return id;
    id.nomeArquivo = texto.left(primeira);
    id.tipo = texto.mid(ultima + 1);
    const QString meio = texto.mid(primeira + 1, ultima - primeira - 1);
    const qsizetype separador = meio.indexOf(QLatin1Char('*'), 10);
    if (meio.size() < 10 || separador < 0)
        return id;
    id.codigoEscritorio = meio.left(10);
    id.escritorio = meio.mid(10, separador - 10);
    const QString escola = meio.mid(separador + 1);
    id.codigoEscola = escola.left(8);
    id.escola = escola.mid(8);
    id.valida = escola.size() >= 8;
    return id;
}

QString nomeSeguro(const QString &nome)
{
    QString seguro;
    for (const QChar c : nome)
        seguro.append(c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 32
                          ? QLatin1Char('_')
                          : c);
    if (seguro.isEmpty() || seguro == QLatin1String(".") || seguro == QLatin1String(".."))
        seguro = QStringLiteral("sem_nome");
    return seguro;
}

QString pastaRecebidos(const QString &opcao, const QString &pastaEstado, const QString &atual)
{
    QString pasta = opcao;
    if (pasta.isEmpty())
        pasta = pastaEstado.section(QLatin1Char(':'), 0, 0);
    if (pasta.isEmpty())
        pasta = QStringLiteral("recebidos");
    return QDir::cleanPath(QDir(atual).absoluteFilePath(pasta));
}
