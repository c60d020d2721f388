#include "shell/TarefaExclusiva.h"

#include <QAction>
#include <QPushButton>

namespace {
int g_ativas = 0;

void habilita(QObject *controle, bool sim)
{
    if (auto *botao = qobject_cast<QPushButton *>(controle))
        botao->setEnabled(sim);
    else if (auto *acao = qobject_cast<QAction *>(controle))
        acao->setEnabled(sim);
}

bool habilitado(QObject *controle)
{
    if (auto *botao = qobject_cast<QPushButton *>(controle))
        return botao->isEnabled();
    if (auto *acao = qobject_cast<QAction *>(controle))
        return acao->isEnabled();
    return false;
}
} // namespace

TarefaExclusiva::TarefaExclusiva(const QList<QObject *> &controles)
{
    ++g_ativas;
    for (QObject *controle : controles) {
        m_estados.append({controle, habilitado(controle)});
        habilita(controle, false);
    }
}

TarefaExclusiva::~TarefaExclusiva()
{
    --g_ativas;
    for (const Estado &estado : m_estados) {
        if (estado.controle)
            habilita(estado.controle, estado.habilitado);
    }
}

bool TarefaExclusiva::emCurso()
{
    return g_ativas > 0;
}
