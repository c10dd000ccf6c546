#pragma once

#include "foundation/ToleranceTimer.h"

#include <QElapsedTimer>
#include <QQuickItem>
#include <QtQmlIntegration>

#include <chrono>

// An item that fades itself, and so what it holds, from full opacity to the dim end and back
// while running: the status dot's pulse. It wakes only when the shown level changes, and each
// change is a plain opacity change, so a step costs the window one small repaint. A step may
// come a little late so that it shares the thread's wake-up, and the window's repaint, with
// the other timers due then (the clock's second).
class WDPulse : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool running READ isRunning WRITE setRunning NOTIFY runningChanged)

public:
    explicit WDPulse(QQuickItem *parent = nullptr);

    bool isRunning() const { return m_running; }
    // Starting or stopping puts the item back at full opacity at once.
    void setRunning(bool running);

    // How late a step may be shown: well under the eye's notice in a fade of this pace.
    static constexpr std::chrono::milliseconds stepTolerance{50};

Q_SIGNALS:
    void runningChanged();

private:
    void showNextLevel();

    void startStepTimer(double delayMs);

    ToleranceTimer m_stepTimer;
    QElapsedTimer m_sinceStart;
    // When the next level is due, counted from the start: a step never shows a level before
    // its time, even where the elapsed time rounds down.
    double m_dueAtMs = 0.0;
    bool m_running = false;
};
