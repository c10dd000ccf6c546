#include "ui/root/DragScrollContent.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// A wheel notch reports 120; a line of the content is this many pixels.
constexpr double wheelNotch = 120.0;
constexpr double pixelsPerLine = 16.0;

double numberProperty(const QQuickItem *item, const char *name)
{
    return item->property(name).toDouble();
}

} // namespace

DragScrollContent::DragScrollContent(QQuickItem *parent)
    : QQuickItem(parent)
{
    setFiltersChildMouseEvents(true);
    setAcceptedMouseButtons(Qt::LeftButton);
}

void DragScrollContent::setFlickable(QQuickItem *flickable)
{
    if (m_flickable == flickable)
        return;
    m_flickable = flickable;
    Q_EMIT flickableChanged();
}

double DragScrollContent::clampedOffset(double wanted) const
{
    if (!m_flickable)
        return wanted;
    // Flickable's own ends, margins included.
    const double first =
        numberProperty(m_flickable, "originY") - numberProperty(m_flickable, "topMargin");
    const double last = numberProperty(m_flickable, "originY") +
                        numberProperty(m_flickable, "contentHeight") +
                        numberProperty(m_flickable, "bottomMargin") - m_flickable->height();
    return std::clamp(wanted, first, std::max(first, last));
}

bool DragScrollContent::childMouseEventFilter(QQuickItem *item, QEvent *event)
{
    if (!isVisible() || !isEnabled())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            pressed(mouse->scenePosition());
        // The control under the pointer gets the press; a drag takes it away later.
        return false;
    }
    case QEvent::MouseMove:
        // A control that drags by itself (a slider, a text selection) keeps what it holds.
        if (!m_dragging && item->keepMouseGrab())
            return false;
        return moved(static_cast<QMouseEvent *>(event)->scenePosition());
    case QEvent::MouseButtonRelease:
        return released();
    default:
        return false;
    }
}

void DragScrollContent::mousePressEvent(QMouseEvent *event)
{
    pressed(event->scenePosition());
    event->accept();
}

void DragScrollContent::mouseMoveEvent(QMouseEvent *event)
{
    moved(event->scenePosition());
    event->accept();
}

void DragScrollContent::mouseReleaseEvent(QMouseEvent *event)
{
    released();
    event->accept();
}

void DragScrollContent::mouseUngrabEvent()
{
    m_pressed = false;
    setDragging(false);
}

void DragScrollContent::wheelEvent(QWheelEvent *event)
{
    if (!m_flickable) {
        event->ignore();
        return;
    }
    // Touchpads report pixels; wheels report notches, each some lines of content.
    const double step = event->pixelDelta().y() != 0
                            ? event->pixelDelta().y()
                            : event->angleDelta().y() / wheelNotch *
                                  QGuiApplication::styleHints()->wheelScrollLines() * pixelsPerLine;
    const double before = offset();
    scrollTo(clampedOffset(before - step));
    // At an end the wheel goes to whatever holds this view.
    event->setAccepted(offset() != before || step == 0.0);
}

bool DragScrollContent::pressed(const QPointF &scenePosition)
{
    m_pressed = true;
    setDragging(false);
    m_pressSceneY = scenePosition.y();
    m_initialOffset = offset();
    return false;
}

bool DragScrollContent::moved(const QPointF &scenePosition)
{
    if (!m_pressed || !m_flickable)
        return false;
    const double dy = scenePosition.y() - m_pressSceneY;
    if (!m_dragging) {
        if (std::abs(dy) < QGuiApplication::styleHints()->startDragDistance())
            return false;
        setDragging(true);
        // The control that had the press is told it lost it.
        grabMouse();
        setKeepMouseGrab(true);
    }
    scrollTo(clampedOffset(m_initialOffset - dy));
    return true;
}

bool DragScrollContent::released()
{
    const bool wasDragging = m_dragging;
    m_pressed = false;
    if (wasDragging) {
        setKeepMouseGrab(false);
        ungrabMouse();
    }
    setDragging(false);
    return wasDragging;
}

void DragScrollContent::setDragging(bool dragging)
{
    if (m_dragging == dragging)
        return;
    m_dragging = dragging;
    Q_EMIT draggingChanged();
}

double DragScrollContent::offset() const
{
    return m_flickable ? numberProperty(m_flickable, "contentY") : 0.0;
}

void DragScrollContent::scrollTo(double newOffset)
{
    if (m_flickable && newOffset != offset())
        m_flickable->setProperty("contentY", newOffset);
}
