#pragma once

#include <QPointer>
#include <QQuickItem>
#include <QtQmlIntegration>

// The content of a drag-to-scroll view: it moves its Flickable by dragging and by the wheel. A
// drag moves the content exactly as far as the pointer has moved since the press (not less the
// distance it takes to tell a drag from a click) and stops where the pointer stops; nothing
// carries on after the release. A press that does not become a drag reaches the control under
// it, and one that does is taken from that control. The offset never leaves the content's ends.
class DragScrollContent : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    // The Flickable this content scrolls; its own dragging and flicking are left off.
    Q_PROPERTY(QQuickItem *flickable READ flickable WRITE setFlickable NOTIFY flickableChanged)
    Q_PROPERTY(bool dragging READ dragging NOTIFY draggingChanged)

public:
    explicit DragScrollContent(QQuickItem *parent = nullptr);

    QQuickItem *flickable() const { return m_flickable; }
    void setFlickable(QQuickItem *flickable);
    bool dragging() const { return m_dragging; }

    // The offset clamped between the content's two ends.
    double clampedOffset(double wanted) const;

Q_SIGNALS:
    void flickableChanged();
    void draggingChanged();

protected:
    bool childMouseEventFilter(QQuickItem *item, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseUngrabEvent() override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // Each answers whether the event belongs to the drag (and so is not the control's).
    bool pressed(const QPointF &scenePosition);
    bool moved(const QPointF &scenePosition);
    bool released();
    void setDragging(bool dragging);
    double offset() const;
    void scrollTo(double offset);

    QPointer<QQuickItem> m_flickable;
    bool m_pressed = false;
    bool m_dragging = false;
    double m_pressSceneY = 0.0;
    double m_initialOffset = 0.0;
};
