#pragma once

#include <functional>

// While a message box of the program is open the user is reading it, and the
// program waits on the user, not on the network: the time bounds of its
// waits stand still for as long as a box is open and go on, with the time
// they had left, when it closes. The message-box seam raises a suspension
// for every box, real or scripted; the waits (Espera) honour it.
namespace SuspensaoPrazos {

// A suspension, raised for as long as the object lives. Suspensions nest
// (a box opened while another is open).
class Suspensao
{
public:
    Suspensao();
    ~Suspensao();
    Suspensao(const Suspensao &) = delete;
    Suspensao &operator=(const Suspensao &) = delete;
};

// How many suspensions are raised now.
int nivel();

// Told, on the thread that raised it, each time a suspension is raised or
// let go; no longer told once destroyed.
class Ouvinte
{
public:
    explicit Ouvinte(std::function<void()> aoMudar);
    ~Ouvinte();
    Ouvinte(const Ouvinte &) = delete;
    Ouvinte &operator=(const Ouvinte &) = delete;

    void avisa() const { m_aoMudar(); }

private:
    std::function<void()> m_aoMudar;
};

} // namespace SuspensaoPrazos
