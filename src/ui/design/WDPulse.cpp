#include "ui/design/WDPulse.h"

#include "ui/design/WDHeaderLook.h"

#include <QGuiApplication>
#include <QQuickWindow>

#include <algorithm>

WDPulse::WDPulse(QQuickItem *parent)
    : QQuickItem(parent)
{
    m_stepTimer.setSingleShot(true);
    m_stepTimer.setTolerance(stepTolerance);
    connect(&m_stepTimer, &ToleranceTimer::timeout, this, &WDPulse::showNextLevel);
}

WDPulse::~WDPulse()
{
    delete m_surface.data();
}

void WDPulse::setRunning(bool running)
{
    if (running == m_running)
        return;
    m_running = running;
    m_stepTimer.stop();
    showOpacity(WDHeaderLook::dotOpacityFor(running, 0.0));
    if (running) {
        m_sinceStart.start();
        m_dueAtMs = WDHeaderLook::msUntilNextPulseStep(0.0);
        startStepTimer(m_dueAtMs);
    }
    retakeSurface();
    Q_EMIT runningChanged();
}

void WDPulse::setCovered(bool covered)
{
    if (covered == m_covered)
        return;
    m_covered = covered;
    retakeSurface();
    Q_EMIT coveredChanged();
}

void WDPulse::setAppearance(const QVariant &appearance)
{
    if (appearance == m_appearance)
        return;
    m_appearance = appearance;
    retakeSurface();
    Q_EMIT appearanceChanged();
}

void WDPulse::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change == ItemSceneChange || change == ItemVisibleHasChanged ||
        change == ItemDevicePixelRatioHasChanged)
        retakeSurface();
}

void WDPulse::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry != oldGeometry)
        retakeSurface();
}

void WDPulse::showNextLevel()
{
    // A layout may move the item without a change of its own geometry.
    if (m_surface && m_surface->geometry() != areaInWindow())
        retakeSurface();
    const double elapsedMs = std::max(double(m_sinceStart.elapsed()), m_dueAtMs);
    showOpacity(WDHeaderLook::dotOpacityFor(true, WDHeaderLook::shownPulseLevelAt(elapsedMs)));
    const int delayMs = WDHeaderLook::msUntilNextPulseStep(elapsedMs);
    m_dueAtMs = elapsedMs + delayMs;
    startStepTimer(delayMs);
}

void WDPulse::showOpacity(double opacity)
{
    if (m_surface)
        m_surface->showOpacity(opacity);
    else
        setOpacity(opacity);
    if (qFuzzyCompare(opacity, m_shownOpacity))
        return;
    m_shownOpacity = opacity;
    Q_EMIT shownOpacityChanged();
}

void WDPulse::startStepTimer(double delayMs)
{
    m_stepTimer.setInterval(std::chrono::milliseconds(qRound64(delayMs)));
    m_stepTimer.start();
}

bool WDPulse::wantsSurface() const
{
    // Other platforms keep the opacity: a native child window there is a compositor's
    // subsurface, with its own timing.
    static const bool onX11 = QGuiApplication::platformName() == QLatin1String("xcb");
    return onX11 && m_running && !m_covered && isVisible() && window() != nullptr &&
           window()->isVisible();
}

void WDPulse::retakeSurface()
{
    dropSurface();
    if (!wantsSurface() || m_surfaceDue)
        return;
    m_surfaceDue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_surfaceDue = false;
            takeSurface();
        },
        Qt::QueuedConnection);
}

void WDPulse::takeSurface()
{
    QQuickWindow *const host = window();
    if (m_surface || !wantsSurface())
        return;
    if (!host->isExposed()) {
        m_awaitedFrame = connect(host, &QQuickWindow::frameSwapped, this, &WDPulse::retakeSurface,
                                 Qt::SingleShotConnection);
        return;
    }
    const QRect area = areaInWindow();
    if (area.isEmpty() || !QRect(QPoint(), host->size()).contains(area))
        return;

    // The item sits at full opacity under the surface, so a repaint of the window around it
    // (or a picture of the window) never shows a stale step.
    setOpacity(0.0);
    const QImage withoutDot = host->grabWindow();
    setOpacity(1.0);
    const QImage withDot = host->grabWindow();
    if (withoutDot.isNull() || withoutDot.size() != withDot.size()) {
        setOpacity(m_shownOpacity);
        return;
    }
    const qreal ratio = withDot.devicePixelRatio();
    const QRect pixels =
        QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio).toAlignedRect();
    m_surface = new WDPulseSurface(host, area, withoutDot.copy(pixels), withDot.copy(pixels));
    m_surface->showOpacity(m_shownOpacity);
    m_surface->show();
}

QRect WDPulse::areaInWindow() const
{
    return mapRectToScene(QRectF(QPointF(), size())).toAlignedRect();
}

void WDPulse::dropSurface()
{
    disconnect(m_awaitedFrame);
    if (!m_surface)
        return;
    delete m_surface.data();
    setOpacity(m_shownOpacity);
}
