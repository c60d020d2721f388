#pragma once

#include <QWidget>

#include <functional>

// A tab page whose controls are built the first time it is shown, or sooner
// when the window needs them (monta): a page the user has not opened costs
// nothing at start-up. The page is built before it becomes visible, so it
// shows whole at once.
class AbaSobDemanda : public QWidget
{
    Q_OBJECT

public:
    // `montagem` builds the page's controls into it; it runs once.
    explicit AbaSobDemanda(std::function<void(QWidget *pagina)> montagem, QWidget *parent = nullptr);

    bool montada() const { return !m_montagem; }
    // Builds the page now if it is not built yet. Code that reaches a control
    // of a page the user may not have opened calls this first.
    Q_INVOKABLE void monta();

    void setVisible(bool visivel) override;

private:
    std::function<void(QWidget *pagina)> m_montagem;
};
