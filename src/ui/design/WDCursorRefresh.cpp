#include "ui/design/WDCursorRefresh.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QQuickWindow>

WDCursorRefresh::WDCursorRefresh(QObject *parent)
    : QObject(parent)
{}

void WDCursorRefresh::setTarget(QQuickItem *target)
{
    if (m_target == target)
        return;
    if (m_target)
        disconnect(m_target, nullptr, this, nullptr);
    m_target = target;
    if (m_target) {
        connect(m_target, &QQuickItem::visibleChanged, this, &WDCursorRefresh::targetStateChanged);
        connect(m_target, &QQuickItem::enabledChanged, this, &WDCursorRefresh::targetStateChanged);
    }
    Q_EMIT targetChanged();
}

void WDCursorRefresh::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    Q_EMIT hoveredChanged();
    // Whichever comes first, the hover ending or the element going away, triggers the refresh.
    if (!hovered && !targetTakesPointer())
        scheduleRefresh();
}

bool WDCursorRefresh::targetTakesPointer() const
{
    return m_target && m_target->isVisible() && m_target->isEnabled();
}

void WDCursorRefresh::targetStateChanged()
{
    if (m_hovered && !targetTakesPointer())
        scheduleRefresh();
}

void WDCursorRefresh::scheduleRefresh()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    // After the current change has settled, so the element no longer counts under the pointer.
    QMetaObject::invokeMethod(this, &WDCursorRefresh::refresh, Qt::QueuedConnection);
}

void WDCursorRefresh::refresh()
{
    m_refreshPending = false;
    QQuickWindow *const window = m_target ? m_target->window() : nullptr;
    if (!window || !window->isVisible())
        return;
    const QPointF local = m_scenePosition;
    QMouseEvent move(QEvent::MouseMove, local, local, window->mapToGlobal(local), Qt::NoButton,
                     QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers());
    QCoreApplication::sendEvent(window, &move);
}
