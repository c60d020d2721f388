#pragma once

// Small helpers that many test programs share.

#include "common/Erro.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

#include <functional>
#include <optional>

// The number of the ErroTavo `passo` raises, or 0 when it raises none.
inline long numeroDoErro(const std::function<void()> &passo)
{
    try {
        passo();
    } catch (const ErroTavo &erro) {
        return erro.numero();
    }
    return 0;
}

// The kind of the error `passo` raises; nothing when it raises none.
inline std::optional<ErroTavo::Tipo> tipoDoErro(const std::function<void()> &passo)
{
    try {
        passo();
    } catch (const ErroTavo &erro) {
        return erro.tipo();
    }
    return std::nullopt;
}

// `tamanho` bytes that do not compress, the same for the same seed.
inline QByteArray aleatorio(qint64 tamanho, quint32 semente)
{
    QByteArray dados(tamanho, Qt::Uninitialized);
    QRandomGenerator gerador(semente);
    for (qint64 i = 0; i < tamanho; ++i)
        dados[i] = char(gerador.generate() & 0xff);
    return dados;
}

// Writes `dados` to a host path, creating its folder.
inline void grava(const QString &caminho, const QByteArray &dados)
{
    QDir().mkpath(QFileInfo(caminho).absolutePath());
    QFile arquivo(caminho);
    QVERIFY(arquivo.open(QIODevice::WriteOnly));
    QCOMPARE(arquivo.write(dados), dados.size());
}

// The whole content of a host path (empty when it cannot be read).
inline QByteArray le(const QString &caminho)
{
    QFile arquivo(caminho);
    return arquivo.open(QIODevice::ReadOnly) ? arquivo.readAll() : QByteArray();
}
