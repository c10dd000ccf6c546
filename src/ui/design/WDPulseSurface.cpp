#include "ui/design/WDPulseSurface.h"

#include <QPainter>

WDPulseSurface::WDPulseSurface(QWindow *parent, const QRect &geometry, const QImage &withoutDot,
                               const QImage &withDot)
    : QWindow(parent)
    , m_store(this)
    , m_withoutDot(withoutDot)
    , m_withDot(withDot)
{
    setSurfaceType(QSurface::RasterSurface);
    setFlags(Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
             Qt::WindowDoesNotAcceptFocus);
    setGeometry(geometry);
}

void WDPulseSurface::showOpacity(double opacity)
{
    if (qFuzzyCompare(opacity, m_opacity))
        return;
    m_opacity = opacity;
    paint();
}

void WDPulseSurface::exposeEvent(QExposeEvent *)
{
    paint();
}

void WDPulseSurface::paint()
{
    if (!isExposed())
        return;
    const QRect area(QPoint(), size());
    m_store.resize(area.size());
    m_store.beginPaint(area);
    {
        QPainter painter(m_store.paintDevice());
        painter.drawImage(area, m_withoutDot);
        painter.setOpacity(m_opacity);
        painter.drawImage(area, m_withDot);
    }
    m_store.endPaint();
    m_store.flush(area);
}
