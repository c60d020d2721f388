#include "common/ListagemPasta.h"

#include "common/Caminhos.h"
#include "common/Erro.h"

#include <QDir>
#include <QFileInfo>

QStringList ArquivosDaPasta(const QString &pasta)
{
    const QString local = Caminhos::local(pasta);
    if (!QFileInfo(local).isDir())
        throw ErroTavo(Erros::CaminhoNaoEncontrado, QStringLiteral("Caminho não encontrado: ") + pasta);
    return QDir(local).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
}
