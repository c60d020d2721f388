#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A proxy program on 127.0.0.1, stopped when this goes.
class ProxyLocal
{
public:
    ProxyLocal() = default;
    ~ProxyLocal();
    ProxyLocal(const ProxyLocal &) = delete;
    ProxyLocal &operator=(const ProxyLocal &) = delete;

    // Starts `programa` and waits (5 s at most) until its port takes a
    // connection. False, with `erro`, when it does not.
    bool inicia(const QString &programa, const QStringList &argumentos, quint16 porta);

    QString erro;

private:
    QProcess m_processo;
};
