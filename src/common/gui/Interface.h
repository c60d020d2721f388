#pragma once

class QWidget;

// Small helpers for what the windows do between their steps.
namespace Interface {

// The hourglass pointer over the whole application, or back to the default.
void ponteiroAmpulheta();
void ponteiroPadrao();
bool ponteiroEmAmpulheta();

// Puts the pointer back to the default when it goes out of scope, so that
// every way out of a handler restores it.
class GuardaPonteiro
{
public:
    GuardaPonteiro() = default;
    ~GuardaPonteiro() { ponteiroPadrao(); }
    GuardaPonteiro(const GuardaPonteiro &) = delete;
    GuardaPonteiro &operator=(const GuardaPonteiro &) = delete;
};

// Repaints the window at once, so a status text shows before a long step.
void redesenha(QWidget *janela);

// Lets the event loop run once: pending paints, socket events and clicks.
void cedeEventos();

// The system beep.
void bipe();

} // namespace Interface
