#include "shell/AbaSobDemanda.h"

#include <QLayout>

#include <utility>

AbaSobDemanda::AbaSobDemanda(std::function<void(QWidget *pagina)> montagem, QWidget *parent)
    : QWidget(parent)
    , m_montagem(std::move(montagem))
{
}

void AbaSobDemanda::monta()
{
    if (!m_montagem)
        return;
    // Emptied first: what the building does cannot build the page again.
    const std::function<void(QWidget *)> montagem = std::exchange(m_montagem, nullptr);
    montagem(this);
    // A page already polished (the window was shown) does not polish again
    // when shown: its new controls are polished here, so that the page is
    // laid out with their real sizes as it shows.
    if (testAttribute(Qt::WA_WState_Polished)) {
        for (QWidget *controle : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            controle->ensurePolished();
    }
}

void AbaSobDemanda::setVisible(bool visivel)
{
    const bool nova = visivel && !montada();
    if (visivel)
        monta();
    QWidget::setVisible(visivel);
    if (!nova)
        return;
    // Built while hidden, the page's needs reached no layout above it: the
    // window takes them now (a larger font can make it grow), before the
    // page is drawn.
    for (QWidget *acima = this; acima; acima = acima->parentWidget()) {
        acima->updateGeometry();
        if (QLayout *disposicao = acima->layout())
            disposicao->invalidate();
        if (acima->isWindow()) {
            if (QLayout *disposicao = acima->layout())
                disposicao->activate();
            break;
        }
    }
}
