#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdio>
#include <ctime>

// Start-up figure: once the first paint of the watched window is done, prints
// the wall clock ("mostrada_ns=..."), which the script compares with the
// moment it started the process, and ends the program. The filter sees the
// paint event before the window handles it, so the mark is queued to run
// right after the paint.
class MarcaExibicao : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *alvo, QEvent *evento) override
    {
        if (evento->type() == QEvent::Paint && !m_marcada) {
            m_marcada = true;
            QMetaObject::invokeMethod(this, &MarcaExibicao::marca, Qt::QueuedConnection);
        }
        return QObject::eventFilter(alvo, evento);
    }

private:
    void marca()
    {
        timespec agora{};
        clock_gettime(CLOCK_REALTIME, &agora);
        std::printf("mostrada_ns=%lld\n", static_cast<long long>(agora.tv_sec) * 1000000000LL + agora.tv_nsec);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    bool m_marcada = false;
};
