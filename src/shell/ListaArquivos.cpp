#include "shell/ListaArquivos.h"

#include "common/Caminhos.h"
#include "common/Erro.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString semBarraFinal(QString pasta)
{
    while (pasta.size() > 1 && (pasta.endsWith(QLatin1Char('\\')) || pasta.endsWith(QLatin1Char('/')))
           && !(pasta.size() == 3 && pasta.at(1) == QLatin1Char(':')))
        pasta.chop(1);
    return pasta;
}

QStringList arquivosDa(const QString &pasta)
{
    const QString local = Caminhos::local(pasta);
    if (!QFileInfo(local).isDir())
        throw ErroTavo(Erros::CaminhoNaoEncontrado, QStringLiteral("Caminho não encontrado: ") + pasta);
    return QDir(local).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
}

} // namespace

ListaArquivos::ListaArquivos(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void ListaArquivos::setPath(const QString &pasta)
{
    const QString normalizada = semBarraFinal(pasta);
    const QStringList arquivos = arquivosDa(normalizada);
    m_pasta = normalizada;
    clear();
    addItems(arquivos);
}

void ListaArquivos::refresh()
{
    if (m_pasta.isEmpty()) {
        clear();
        return;
    }
    QStringList arquivos;
    try {
        arquivos = arquivosDa(m_pasta);
    } catch (const ErroTavo &) {
        // A folder that went away lists nothing, like an empty one.
    }
    clear();
    addItems(arquivos);
}

void ListaArquivos::setListIndex(int indice)
{
    if (indice < 0 || indice >= count()) {
        clearSelection();
        setCurrentRow(-1);
        if (indice >= count() && indice >= 0)
            throw ErroTavo(380, QStringLiteral("Valor de propriedade inválido"));
        return;
    }
    setCurrentRow(indice);
}

int ListaArquivos::listIndex() const
{
    const QList<QListWidgetItem *> selecionados = selectedItems();
    return selecionados.isEmpty() ? -1 : row(selecionados.first());
}

QString ListaArquivos::fileName() const
{
    const int indice = listIndex();
    return indice < 0 ? QString() : item(indice)->text();
}

QString ListaArquivos::nome(int indice) const
{
    const QListWidgetItem *entrada = item(indice);
    return entrada ? entrada->text() : QString();
}
