#include "common/ListagemPasta.h"

#include "common/Erro.h"
#include "common/Instalacao.h"

#include <QDir>
#include <QFileInfo>

QStringList ArquivosDaPasta(const Instalacao &instalacao, const QString &pasta)
{
    const QString local = instalacao.local(pasta);
    if (!QFileInfo(local).isDir())
        throw ErroTavo(Erros::CaminhoNaoEncontrado, QStringLiteral("Caminho não encontrado: ") + pasta);
    return QDir(local).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
}
