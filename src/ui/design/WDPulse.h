#pragma once

#include <QElapsedTimer>
#include <QQuickItem>
#include <QTimer>
#include <QtQmlIntegration>

// An item that fades itself, and so what it holds, from full opacity to the dim end and back
// while running: the status dot's pulse. It wakes only when the shown level changes, and each
// change is a plain opacity change, so a step costs the window one small repaint.
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

Q_SIGNALS:
    void runningChanged();

private:
    void showNextLevel();

    QTimer m_stepTimer;
    QElapsedTimer m_sinceStart;
    // When the next level is due, counted from the start: a timer that fires a little early
    // still shows that level rather than waking again a moment later.
    double m_dueAtMs = 0.0;
    bool m_running = false;
};
