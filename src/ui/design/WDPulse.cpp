#include "ui/design/WDPulse.h"

#include "ui/design/WDHeaderLook.h"

#include <algorithm>

WDPulse::WDPulse(QQuickItem *parent)
    : QQuickItem(parent)
{
    m_stepTimer.setSingleShot(true);
    m_stepTimer.setTolerance(stepTolerance);
    connect(&m_stepTimer, &ToleranceTimer::timeout, this, &WDPulse::showNextLevel);
}

void WDPulse::setRunning(bool running)
{
    if (running == m_running)
        return;
    m_running = running;
    m_stepTimer.stop();
    setOpacity(WDHeaderLook::dotOpacityFor(running, 0.0));
    if (running) {
        m_sinceStart.start();
        m_dueAtMs = WDHeaderLook::msUntilNextPulseStep(0.0);
        startStepTimer(m_dueAtMs);
    }
    Q_EMIT runningChanged();
}

void WDPulse::showNextLevel()
{
    const double elapsedMs = std::max(double(m_sinceStart.elapsed()), m_dueAtMs);
    setOpacity(WDHeaderLook::dotOpacityFor(true, WDHeaderLook::shownPulseLevelAt(elapsedMs)));
    const int delayMs = WDHeaderLook::msUntilNextPulseStep(elapsedMs);
    m_dueAtMs = elapsedMs + delayMs;
    startStepTimer(delayMs);
}

void WDPulse::startStepTimer(double delayMs)
{
    m_stepTimer.setInterval(std::chrono::milliseconds(qRound64(delayMs)));
    m_stepTimer.start();
}
