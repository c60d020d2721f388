#include "common/gui/DialogoArquivo.h"

#include "common/Log.h"

#include <QDir>
#include <QFileDialog>
#include <QList>

namespace DialogoArquivo {

namespace {

struct Roteiro
{
    bool ativo = false;
    QList<std::optional<QString>> proximas;
    int inesperados = 0;
};

Roteiro &roteiro()
{
    static Roteiro r;
    return r;
}

} // namespace

std::optional<QString> abre(QWidget *pai)
{
    Roteiro &r = roteiro();
    if (r.ativo) {
        if (r.proximas.isEmpty()) {
            ++r.inesperados;
            qCWarning(lcPrograma) << "Unexpected open-file dialog: answered with a cancel";
            return std::nullopt;
        }
        return r.proximas.takeFirst();
    }
    // No filter, title or starting folder: the dialog shows all files with its
    // own defaults. An empty answer is the dialog's cancel.
    const QString escolhido = QFileDialog::getOpenFileName(pai);
    if (escolhido.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(escolhido);
}

void escolheProximo(const QString &caminho)
{
    roteiro().ativo = true;
    roteiro().proximas.append(caminho);
}

void cancelaProximo()
{
    roteiro().ativo = true;
    roteiro().proximas.append(std::nullopt);
}

void removeRoteiro()
{
    roteiro() = Roteiro{};
}

int inesperados()
{
    return roteiro().inesperados;
}

int pendentes()
{
    return static_cast<int>(roteiro().proximas.size());
}

} // namespace DialogoArquivo
