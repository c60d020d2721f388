#include "common/Figuras.h"

#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <functional>
#include <utility>

namespace Figuras {

namespace {

// An icon made the first time anything of it is asked for.
class IconeAdiado final : public QIconEngine
{
public:
    explicit IconeAdiado(std::function<QIcon()> cria)
        : m_cria(std::move(cria))
    {
    }

    void paint(QPainter *pintor, const QRect &area, QIcon::Mode modo, QIcon::State estado) override
    {
        icone().paint(pintor, area, Qt::AlignCenter, modo, estado);
    }

    // Sizes here are in device pixels (QIcon has already multiplied them).
    QPixmap pixmap(const QSize &tamanho, QIcon::Mode modo, QIcon::State estado) override
    {
        return icone().pixmap(tamanho, 1.0, modo, estado);
    }

    QSize actualSize(const QSize &tamanho, QIcon::Mode modo, QIcon::State estado) override
    {
        return icone().actualSize(tamanho, modo, estado);
    }

    void addPixmap(const QPixmap &figura, QIcon::Mode modo, QIcon::State estado) override
    {
        icone().addPixmap(figura, modo, estado);
    }

    QList<QSize> availableSizes(QIcon::Mode modo, QIcon::State estado) override
    {
        return icone().availableSizes(modo, estado);
    }

    QString key() const override { return QStringLiteral("IconeAdiado"); }
    // Known without making it: every picture of the program exists.
    bool isNull() override { return false; }

    QIconEngine *clone() const override { return new IconeAdiado(*this); }

private:
    IconeAdiado(const IconeAdiado &) = default;

    QIcon &icone()
    {
        if (m_cria) {
            m_icone = m_cria();
            m_cria = nullptr;
        }
        return m_icone;
    }

    std::function<QIcon()> m_cria;
    QIcon m_icone;
};

// A PNG of the resources, read as PNG: saying the format and not letting
// the reader guess keeps it from loading every image plugin to ask each.
QPixmap lePng(const QString &caminho)
{
    QImageReader leitor(caminho, "png");
    leitor.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(leitor.read());
}

QIcon adiado(std::function<QIcon()> cria)
{
    return QIcon(new IconeAdiado(std::move(cria)));
}

} // namespace

QIcon figura(const char *nome)
{
    const QString base = QStringLiteral(":/figuras/%1-").arg(QLatin1String(nome));
    return adiado([base] {
        QIcon icone;
        for (const int lado : {16, 24, 32, 48})
            icone.addPixmap(lePng(base + QString::number(lado) + QStringLiteral(".png")));
        return icone;
    });
}

QIcon iconePrograma()
{
    return adiado([] { return QIcon(QStringLiteral(":/icons/tavo-upload.svg")); });
}

} // namespace Figuras
