#pragma once

#include "foundation/ToleranceTimer.h"
#include "ui/design/WDPulseSurface.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QQuickItem>
#include <QVariant>
#include <QtQmlIntegration>

#include <chrono>

// An item that fades itself, and so what it holds, from full opacity to the dim end and back
// while running: the status dot's pulse. It wakes only when the shown level changes, and a
// step may come a little late so that it shares the thread's wake-up with the other timers due
// then (the clock's second).
//
// On X11 the steps are shown on a small native window laid over the item, painted from two
// pictures of the window taken when the pulse starts, so a step costs a few pixels sent to the
// server rather than a repaint of the whole window's scene. Elsewhere, and while something is
// drawn over the item (`covered`), each step is a plain opacity change.
class WDPulse : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool running READ isRunning WRITE setRunning NOTIFY runningChanged)
    // A popup or anything else of the window's scene lies over the item.
    Q_PROPERTY(bool covered READ isCovered WRITE setCovered NOTIFY coveredChanged)
    // Whatever the item's pixels and those around it depend on besides the pulse (its colour,
    // the colour behind it); a change retakes the pictures.
    Q_PROPERTY(QVariant appearance READ appearance WRITE setAppearance NOTIFY appearanceChanged)
    // The opacity the pulse shows now, whichever way it is shown.
    Q_PROPERTY(double shownOpacity READ shownOpacity NOTIFY shownOpacityChanged)

public:
    explicit WDPulse(QQuickItem *parent = nullptr);
    ~WDPulse() override;

    bool isRunning() const { return m_running; }
    // Starting or stopping puts the item back at full opacity at once.
    void setRunning(bool running);
    bool isCovered() const { return m_covered; }
    void setCovered(bool covered);
    QVariant appearance() const { return m_appearance; }
    void setAppearance(const QVariant &appearance);
    double shownOpacity() const { return m_shownOpacity; }

    // Whether the steps are shown on the native window now.
    bool showsOnSurface() const { return m_surface != nullptr; }

    // How late a step may be shown: well under the eye's notice in a fade of this pace.
    static constexpr std::chrono::milliseconds stepTolerance{50};

Q_SIGNALS:
    void runningChanged();
    void coveredChanged();
    void appearanceChanged();
    void shownOpacityChanged();

protected:
    void itemChange(ItemChange change, const ItemChangeData &value) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;

private:
    void showNextLevel();
    void showOpacity(double opacity);
    void startStepTimer(double delayMs);

    bool wantsSurface() const;
    // Drops the native window, if any, and takes new pictures for one once the event loop is
    // back, so that they are never taken in the middle of a change of the scene.
    void retakeSurface();
    void takeSurface();
    void dropSurface();
    QRect areaInWindow() const;

    ToleranceTimer m_stepTimer;
    QElapsedTimer m_sinceStart;
    // When the next level is due, counted from the start: a step never shows a level before
    // its time, even where the elapsed time rounds down.
    double m_dueAtMs = 0.0;
    double m_shownOpacity = 1.0;
    QVariant m_appearance;
    QPointer<WDPulseSurface> m_surface;
    QMetaObject::Connection m_awaitedFrame;
    bool m_surfaceDue = false;
    bool m_running = false;
    bool m_covered = false;
};
