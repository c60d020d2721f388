#pragma once

#include <QList>
#include <QPointer>

class QObject;

// While a long job runs (a ZIP job, a transfer, a floppy export), the
// controls that start another job are disabled; they return to the state
// they had when this guard goes out of scope, on every way out. The window
// names the controls (buttons and menu actions): for the main window "Gerar",
// "...", "Limpar", "Disquete", "Internet", "Transmitir" and the
// "&Configuração" menu; "Cancelar" stays usable.
class TarefaExclusiva
{
public:
    explicit TarefaExclusiva(const QList<QObject *> &controles);
    ~TarefaExclusiva();
    TarefaExclusiva(const TarefaExclusiva &) = delete;
    TarefaExclusiva &operator=(const TarefaExclusiva &) = delete;

    // True while any guard is alive.
    static bool emCurso();

private:
    struct Estado
    {
        QPointer<QObject> controle;
        bool habilitado;
    };
    QList<Estado> m_estados;
};
