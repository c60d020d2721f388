#include "common/gui/Figuras.h"

#include <QIconEngine>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

namespace Figuras {

namespace {

// An icon whose pictures are read when a size of it is first asked for: the
// `completa` it is made with adds to the icon what that size (in device
// pixels) needs, once.
class IconeSobDemanda final : public QIconEngine
{
public:
    using Completa = std::function<void(QIcon &icone, const QSize &tamanho)>;

    explicit IconeSobDemanda(Completa completa)
        : m_completa(std::move(completa))
    {
    }

    void paint(QPainter *pintor, const QRect &area, QIcon::Mode modo, QIcon::State estado) override
    {
        const qreal escala = pintor->device() ? pintor->device()->devicePixelRatio() : 1.0;
        icone(area.size() * escala).paint(pintor, area, Qt::AlignCenter, modo, estado);
    }

    // Sizes here are in device pixels (QIcon has already multiplied them).
    QPixmap pixmap(const QSize &tamanho, QIcon::Mode modo, QIcon::State estado) override
    {
        return icone(tamanho).pixmap(tamanho, 1.0, modo, estado);
    }

    QSize actualSize(const QSize &tamanho, QIcon::Mode modo, QIcon::State estado) override
    {
        return icone(tamanho).actualSize(tamanho, modo, estado);
    }

    void addPixmap(const QPixmap &figura, QIcon::Mode modo, QIcon::State estado) override
    {
        m_icone.addPixmap(figura, modo, estado);
    }

    QList<QSize> availableSizes(QIcon::Mode modo, QIcon::State estado) override
    {
        return icone(QSize()).availableSizes(modo, estado);
    }

    QString key() const override { return QStringLiteral("IconeSobDemanda"); }
    // Known without reading it: every picture of the program exists.
    bool isNull() override { return false; }

    QIconEngine *clone() const override { return new IconeSobDemanda(*this); }

private:
    IconeSobDemanda(const IconeSobDemanda &) = default;

    QIcon &icone(const QSize &tamanho)
    {
        m_completa(m_icone, tamanho);
        return m_icone;
    }

    Completa m_completa;
    QIcon m_icone;
};

// An icon that draws another in its normal mode whatever mode is asked for.
class IconeSemAcinzentar final : public QIconEngine
{
public:
    explicit IconeSemAcinzentar(QIcon base)
        : m_base(std::move(base))
    {
    }

    void paint(QPainter *pintor, const QRect &area, QIcon::Mode, QIcon::State estado) override
    {
        m_base.paint(pintor, area, Qt::AlignCenter, QIcon::Normal, estado);
    }

    // Sizes in device pixels, as for IconeSobDemanda.
    QPixmap pixmap(const QSize &tamanho, QIcon::Mode, QIcon::State estado) override
    {
        return m_base.pixmap(tamanho, 1.0, QIcon::Normal, estado);
    }

    QSize actualSize(const QSize &tamanho, QIcon::Mode, QIcon::State estado) override
    {
        return m_base.actualSize(tamanho, QIcon::Normal, estado);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State estado) override
    {
        return m_base.availableSizes(QIcon::Normal, estado);
    }

    QString key() const override { return QStringLiteral("IconeSemAcinzentar"); }
    bool isNull() override { return m_base.isNull(); }
    QIconEngine *clone() const override { return new IconeSemAcinzentar(m_base); }

private:
    QIcon m_base;
};

constexpr int kLados[] = {16, 24, 32, 48};

// A PNG of the resources, read as PNG: saying the format and not letting
// the reader guess keeps it from loading every image plugin to ask each.
QPixmap lePng(const QString &caminho)
{
    QImageReader leitor(caminho, "png");
    leitor.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(leitor.read());
}

} // namespace

QIcon figura(const char *nome)
{
    const QString base = QStringLiteral(":/figuras/%1-").arg(QLatin1String(nome));
    return QIcon(new IconeSobDemanda([base](QIcon &icone, const QSize &tamanho) {
        // Only the size drawn is read: the smallest that is not smaller than
        // the size asked for, else the largest. Asked what sizes there are
        // (an invalid size), it reads them all.
        const QList<QSize> lidos = icone.availableSizes();
        const int pedido = std::max(tamanho.width(), tamanho.height());
        for (const int lado : kLados) {
            const bool serve = lado >= pedido || lado == kLados[std::size(kLados) - 1];
            if (!lidos.contains(QSize(lado, lado)) && (serve || !tamanho.isValid()))
                icone.addPixmap(lePng(base + QString::number(lado) + QStringLiteral(".png")));
            if (serve && tamanho.isValid())
                return;
        }
    }));
}

QIcon adiado(std::function<QIcon()> cria)
{
    return QIcon(new IconeSobDemanda([cria](QIcon &icone, const QSize &) {
        if (icone.isNull())
            icone = cria();
    }));
}

QIcon semAcinzentar(const QIcon &icone)
{
    return QIcon(new IconeSemAcinzentar(icone));
}

QIcon iconePrograma()
{
    return adiado([] { return QIcon(QStringLiteral(":/icons/tavo-upload.svg")); });
}

} // namespace Figuras
