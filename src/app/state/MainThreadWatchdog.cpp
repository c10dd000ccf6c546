#include "app/state/MainThreadWatchdog.h"

#include "app/state/StallLog.h"
#include "foundation/AppPaths.h"
#include "foundation/Clock.h"
#include "platform/ThreadName.h"

#include <QCoreApplication>
#include <QEvent>

#include <chrono>
#include <utility>

namespace {

constexpr const char *threadName = "com.wendoka.zuvevivezid.watchdog";

// A ping on its way to the main thread: the moment it left and nothing more, so a ping is one
// small event and no queued call with its functor.
class PingEvent final : public QEvent
{
public:
    explicit PingEvent(qint64 postedAtNs)
        : QEvent(pingType())
        , postedAt(postedAtNs)
    {}

    static QEvent::Type pingType()
    {
        static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
        return registered;
    }

    const qint64 postedAt;
};

MainThreadWatchdog::StallHandler stallLogHandler()
{
    return [](double stallSeconds) {
        StallLog(MainThreadWatchdog::defaultLogURL(), systemClock()).record(stallSeconds);
    };
}

} // namespace

MainThreadWatchdog &MainThreadWatchdog::shared()
{
    static MainThreadWatchdog *instance =
        new MainThreadWatchdog(defaultPingInterval, defaultStallThreshold, {},
                               systemMonotonicNanoseconds, QCoreApplication::instance());
    return *instance;
}

QString MainThreadWatchdog::defaultLogURL()
{
    return AppPaths::filePath(QString::fromLatin1(StallLog::fileName));
}

qint64 MainThreadWatchdog::systemMonotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

MainThreadWatchdog::MainThreadWatchdog(double pingInterval, double stallThreshold,
                                       StallHandler onStall, MonotonicClock monotonicClock,
                                       QObject *parent)
    : QObject(parent)
    , m_pingInterval(pingInterval)
    , m_stallThreshold(stallThreshold)
    , m_onStall(onStall ? std::move(onStall) : stallLogHandler())
    , m_monotonicClock(std::move(monotonicClock))
{}

MainThreadWatchdog::~MainThreadWatchdog()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    // Once the thread has ended nothing posts to this object any more; the measurements already
    // posted are discarded with it, and stalls not yet handed over are dropped.
    if (m_thread.joinable())
        m_thread.join();
}

void MainThreadWatchdog::start()
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this] { run(); });
}

void MainThreadWatchdog::run()
{
    ThreadName::setForCurrentThread(threadName);
    using SteadyClock = std::chrono::steady_clock;
    const auto interval = std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double>(m_pingInterval));
    SteadyClock::time_point nextPing = SteadyClock::now() + interval;
    std::unique_lock lock(m_mutex);
    while (true) {
        const bool woken =
            m_wake.wait_until(lock, nextPing, [this] { return m_stopping || !m_stalls.isEmpty(); });
        if (m_stopping)
            return;
        if (woken) {
            reportStalls(lock);
            continue;
        }
        lock.unlock();
        ping();
        lock.lock();
        // Like a repeating timer: pings missed while the thread was held up are not made up.
        nextPing += interval;
        if (const SteadyClock::time_point now = SteadyClock::now(); nextPing <= now)
            nextPing = now + interval;
    }
}

void MainThreadWatchdog::reportStalls(std::unique_lock<std::mutex> &lock)
{
    const QList<double> stalls = std::exchange(m_stalls, {});
    // The handler writes a file; the main thread must never wait for that.
    lock.unlock();
    for (const double stallSeconds : stalls)
        m_onStall(stallSeconds);
    lock.lock();
}

void MainThreadWatchdog::ping()
{
    QCoreApplication::postEvent(this, new PingEvent(m_monotonicClock()));
}

bool MainThreadWatchdog::event(QEvent *event)
{
    if (event->type() != PingEvent::pingType())
        return QObject::event(event);
    measure(static_cast<const PingEvent *>(event)->postedAt);
    return true;
}

void MainThreadWatchdog::measure(qint64 postedAt)
{
    const double elapsed = static_cast<double>(m_monotonicClock() - postedAt) / 1e9;
    if (elapsed < m_stallThreshold)
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stalls.append(elapsed);
    }
    m_wake.notify_one();
}
