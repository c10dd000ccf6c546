#include "ui/tracker/TrackerActiveViewModel.h"

#include "tracking/engine/SessionManager.h"
#include "ui/tracker/DailyTargetStorage.h"
#include "ui/tracker/MotivationalPhrases.h"
#include "ui/tracker/TrackerServices.h"

#include <algorithm>
#include <cstdio>

namespace {

// Whole seconds; a negative or non-finite total (never published) reads as none.
qint64 wholeSeconds(double seconds)
{
    if (!(seconds > 0.0) || seconds > 1e15)
        return 0;
    return static_cast<qint64>(seconds);
}

} // namespace

TrackerActiveViewModel::TrackerActiveViewModel(QObject *parent)
    : QObject(parent)
{}

QString TrackerActiveViewModel::formatDuration(double seconds)
{
    const qint64 s = wholeSeconds(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s % 3600 / 60), static_cast<long long>(s % 60));
    return QString::fromLatin1(text);
}

QString TrackerActiveViewModel::formatHoursMinutes(double seconds)
{
    const qint64 s = wholeSeconds(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s % 3600 / 60));
    return QString::fromLatin1(text);
}

QString TrackerActiveViewModel::activityRateTextFor(std::optional<double> rate)
{
    if (!rate)
        return QStringLiteral("\u2013");
    char text[64];
    std::snprintf(text, sizeof text, "%.0f%%", *rate);
    return QString::fromLatin1(text);
}

double TrackerActiveViewModel::progressFor(double todaySeconds, int targetSeconds)
{
    if (targetSeconds <= 0 || !(todaySeconds > 0.0))
        return 0.0;
    return std::min(todaySeconds / targetSeconds, 1.0);
}

QString TrackerActiveViewModel::percentTextFor(double todaySeconds, int targetSeconds)
{
    // Whole seconds in integers: a ratio in floating point lands just under an exact percentage
    // (8352 / 28800 * 100 is 28.999...) and truncation would then show one lower.
    const qint64 today = wholeSeconds(todaySeconds);
    const long long percent =
        targetSeconds > 0 ? std::min<qint64>(today * 100 / targetSeconds, 100) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld%%", percent);
    return QString::fromLatin1(text);
}

QString TrackerActiveViewModel::goalTextFor(int targetSeconds)
{
    const int hours = targetSeconds / 3600;
    const int minutes = targetSeconds % 3600 / 60;
    if (minutes == 0)
        return QString::number(hours) + QStringLiteral(" work hours");
    return QStringLiteral("%1h %2m of work").arg(hours).arg(minutes);
}

int TrackerActiveViewModel::digitsValue(const QString &text, int maximum)
{
    QString kept;
    for (const QChar c : text) {
        if (kept.size() == 2)
            break;
        if (c.isNumber())
            kept.append(c);
    }
    // Other scripts' digits count as numeric above but are not decimal digits to parse.
    const bool plainDigits =
        !kept.isEmpty() && std::all_of(kept.cbegin(), kept.cend(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
    return plainDigits ? std::min(kept.toInt(), maximum) : 0;
}

void TrackerActiveViewModel::setServices(TrackerServices *services)
{
    if (m_services == services)
        return;
    if (m_services && m_services->sessionManager())
        disconnect(m_services->sessionManager(), nullptr, this, nullptr);
    m_services = services;
    if (services)
        m_dailyTargetSeconds = DailyTargetStorage::targetSeconds(services->settings());
    if (SessionManager *engine = services ? services->sessionManager() : nullptr) {
        connect(engine, &SessionManager::todayTotalSecondsChanged, this,
                [this] { m_clockNotice.changed(); });
        connect(engine, &SessionManager::isPausedChanged, this,
                &TrackerActiveViewModel::pausedChanged);
        connect(engine, &SessionManager::currentSessionChanged, this,
                &TrackerActiveViewModel::taskNameChanged);
        connect(engine, &SessionManager::last5MinActivityRateChanged, this,
                &TrackerActiveViewModel::activityChanged);
    }
    Q_EMIT servicesChanged();
    Q_EMIT figuresChanged();
    Q_EMIT pausedChanged();
    Q_EMIT taskNameChanged();
    Q_EMIT activityChanged();
}

void TrackerActiveViewModel::setShown(bool shown)
{
    if (m_clockNotice.setShown(shown))
        Q_EMIT shownChanged();
}

void TrackerActiveViewModel::setMotivationalPhraseIndex(int index)
{
    if (m_motivationalPhraseIndex == index)
        return;
    m_motivationalPhraseIndex = index;
    Q_EMIT figuresChanged();
}

QString TrackerActiveViewModel::taskName() const
{
    const SessionManager *engine = m_services ? m_services->sessionManager() : nullptr;
    if (!engine || !engine->currentSession())
        return {};
    return engine->currentSession()->projectName;
}

bool TrackerActiveViewModel::paused() const
{
    return m_services && m_services->sessionManager() && m_services->sessionManager()->isPaused();
}

double TrackerActiveViewModel::todaySeconds() const
{
    if (!m_services || !m_services->sessionManager())
        return 0.0;
    return m_services->sessionManager()->todayTotalSeconds();
}

QString TrackerActiveViewModel::motivationalLine() const
{
    return MotivationalPhrases::trackingLine(m_motivationalPhraseIndex, todaySeconds());
}

QString TrackerActiveViewModel::activityRateText() const
{
    if (!m_services || !m_services->sessionManager())
        return activityRateTextFor(std::nullopt);
    return activityRateTextFor(m_services->sessionManager()->last5MinActivityRate());
}

QString TrackerActiveViewModel::timeChipText() const
{
    return formatHoursMinutes(todaySeconds()) + QStringLiteral(" / ") +
           formatHoursMinutes(m_dailyTargetSeconds);
}

void TrackerActiveViewModel::pause()
{
    if (m_services && m_services->sessionManager())
        m_services->sessionManager()->pauseTracking();
}

void TrackerActiveViewModel::resume()
{
    if (m_services && m_services->sessionManager())
        m_services->sessionManager()->resumeTracking();
}

void TrackerActiveViewModel::stop()
{
    if (m_services && m_services->sessionManager())
        m_services->sessionManager()->stopTracking(std::nullopt);
}

void TrackerActiveViewModel::pointerEntered()
{
    setFlipped(true);
}

void TrackerActiveViewModel::pointerExited()
{
    // With the form open the card stays turned; closing the form turns it back.
    setFlipped(m_showTargetForm);
}

void TrackerActiveViewModel::openTargetForm()
{
    setHoursInput(m_dailyTargetSeconds / 3600);
    setMinutesInput(m_dailyTargetSeconds % 3600 / 60);
    setShowTargetForm(true);
}

void TrackerActiveViewModel::closeTargetForm()
{
    setShowTargetForm(false);
}

void TrackerActiveViewModel::saveTarget()
{
    if (m_services) {
        DailyTargetStorage::setTarget(m_hoursInput, m_minutesInput, m_services->settings());
        const int stored = DailyTargetStorage::targetSeconds(m_services->settings());
        if (stored != m_dailyTargetSeconds) {
            m_dailyTargetSeconds = stored;
            Q_EMIT figuresChanged();
        }
    }
    setShowTargetForm(false);
}

void TrackerActiveViewModel::editHours(const QString &text)
{
    m_hoursInput = digitsValue(text, maximumHoursInput);
    // Announced even when unchanged, so the field drops the characters it did not keep.
    Q_EMIT hoursInputChanged();
}

void TrackerActiveViewModel::editMinutes(const QString &text)
{
    m_minutesInput = digitsValue(text, maximumMinutesInput);
    Q_EMIT minutesInputChanged();
}

void TrackerActiveViewModel::stepHours(int delta)
{
    setHoursInput(std::clamp(m_hoursInput + delta, 0, maximumHoursInput));
}

void TrackerActiveViewModel::stepMinutes(int delta)
{
    setMinutesInput(std::clamp(m_minutesInput + delta, 0, maximumMinutesInput));
}

void TrackerActiveViewModel::setFlipped(bool flipped)
{
    if (m_flipped == flipped)
        return;
    m_flipped = flipped;
    Q_EMIT flippedChanged();
}

void TrackerActiveViewModel::setShowTargetForm(bool show)
{
    if (m_showTargetForm == show)
        return;
    m_showTargetForm = show;
    Q_EMIT showTargetFormChanged();
    if (!show)
        setFlipped(false);
}

void TrackerActiveViewModel::setHoursInput(int hours)
{
    if (m_hoursInput == hours)
        return;
    m_hoursInput = hours;
    Q_EMIT hoursInputChanged();
}

void TrackerActiveViewModel::setMinutesInput(int minutes)
{
    if (m_minutesInput == minutes)
        return;
    m_minutesInput = minutes;
    Q_EMIT minutesInputChanged();
}
