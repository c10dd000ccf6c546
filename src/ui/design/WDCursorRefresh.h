#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QQuickItem>
#include <QtQmlIntegration>

// Qt Quick chooses the window's cursor when the pointer moves. An element that is hidden or
// disabled under a still pointer would leave its pointing hand showing until the next move;
// this asks the window to choose again at the pointer's last place as soon as that happens.
// (An element that is destroyed is already handled by Qt Quick itself.)
class WDCursorRefresh : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QQuickItem *target READ target WRITE setTarget NOTIFY targetChanged)
    Q_PROPERTY(bool hovered READ hovered WRITE setHovered NOTIFY hoveredChanged)
    Q_PROPERTY(QPointF scenePosition MEMBER m_scenePosition NOTIFY scenePositionChanged)

public:
    explicit WDCursorRefresh(QObject *parent = nullptr);

    QQuickItem *target() const { return m_target; }
    void setTarget(QQuickItem *target);
    bool hovered() const { return m_hovered; }
    void setHovered(bool hovered);

Q_SIGNALS:
    void targetChanged();
    void hoveredChanged();
    void scenePositionChanged();

private:
    bool targetTakesPointer() const;
    void targetStateChanged();
    void scheduleRefresh();
    void refresh();

    QPointer<QQuickItem> m_target;
    bool m_hovered = false;
    bool m_refreshPending = false;
    QPointF m_scenePosition;
};
