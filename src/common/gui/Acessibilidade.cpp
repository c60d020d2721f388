#include "common/gui/Acessibilidade.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace Acessibilidade {

namespace {

// One filter for every button of the program: Enter or Return on a button
// with the focus clicks it, as Space does.
class FiltroEnter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override
    {
        if (evento->type() != QEvent::KeyPress)
            return false;
        const auto *tecla = static_cast<QKeyEvent *>(evento);
        if ((tecla->key() != Qt::Key_Return && tecla->key() != Qt::Key_Enter)
            || (tecla->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto *botao = qobject_cast<QPushButton *>(objeto);
        if (!botao || !botao->isEnabled() || !botao->hasFocus())
            return false;
        botao->click();
        return true;
    }
};

FiltroEnter *filtroEnter()
{
    // Lives as long as the program; a button that goes away takes its
    // installation along.
    static FiltroEnter filtro;
    return &filtro;
}

} // namespace

void linhaDeConteudo(QLabel *linha, const QString &descricao)
{
    // Qt announces every setting of a name, even an unchanged one.
    if (!linha->accessibleName().isEmpty())
        linha->setAccessibleName(QString());
    linha->setAccessibleDescription(descricao);
}

void mostraTexto(QLabel *linha, const QString &texto)
{
    if (linha->text() != texto)
        linha->setText(texto);
}

void mostraEstado(QLabel *figura, const QPixmap &imagem, const QString &estado)
{
    if (figura->accessibleName() == estado && figura->pixmap().cacheKey() == imagem.cacheKey())
        return;
    figura->setPixmap(imagem);
    figura->setToolTip(estado);
    // Raises the name-change event while assistive technology listens.
    figura->setAccessibleName(estado);
}

void ativaComEnter(QPushButton *botao)
{
    botao->installEventFilter(filtroEnter());
}

} // namespace Acessibilidade
