#include "shell/ListaArquivos.h"

#include "common/Erro.h"
#include "common/ListagemPasta.h"

namespace {

QString semBarraFinal(QString pasta)
{
    while (pasta.size() > 1 && (pasta.endsWith(QLatin1Char('\\')) || pasta.endsWith(QLatin1Char('/')))
           && !(pasta.size() == 3 && pasta.at(1) == QLatin1Char(':')))
        pasta.chop(1);
    return pasta;
}

} // namespace

ListaArquivos::ListaArquivos(const Instalacao &instalacao, QWidget *parent)
    : QListWidget(parent)
    , m_instalacao(instalacao)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void ListaArquivos::setPath(const QString &pasta)
{
    const QString normalizada = semBarraFinal(pasta);
    const QStringList arquivos = ArquivosDaPasta(m_instalacao, normalizada);
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
        arquivos = ArquivosDaPasta(m_instalacao, m_pasta);
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
            throw ErroTavo(Erros::ValorPropriedadeInvalido, QStringLiteral("Valor de propriedade inválido"));
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
