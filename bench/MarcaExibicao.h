#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdio>
#include <ctime>

// Start-up figure: at the first paint of the watched window, prints the wall
// clock ("mostrada_ns=..."), which the script compares with the moment it
// started the process, and ends the program.
class MarcaExibicao : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *alvo, QEvent *evento) override
    {
        if (evento->type() == QEvent::Paint && !m_marcada) {
            m_marcada = true;
            timespec agora{};
            clock_gettime(CLOCK_REALTIME, &agora);
            std::printf("mostrada_ns=%lld\n", static_cast<long long>(agora.tv_sec) * 1000000000LL + agora.tv_nsec);
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
        return QObject::eventFilter(alvo, evento);
    }

private:
    bool m_marcada = false;
};
