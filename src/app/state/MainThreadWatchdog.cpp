#include "app/state/MainThreadWatchdog.h"

#include "app/state/StallLog.h"
#include "foundation/AppPaths.h"
#include "foundation/Clock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <chrono>
#include <utility>

namespace {

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
    , m_threadContext(std::make_unique<QObject>())
{
    m_thread.setObjectName(QStringLiteral("com.wendoka.zuvevivezid.watchdog"));
    m_threadContext->moveToThread(&m_thread);
    // A timer must be stopped on its own thread. During the application's teardown a call queued
    // to that thread may no longer run, but the thread's last signal always does, on the thread
    // itself.
    connect(
        &m_thread, &QThread::finished, m_threadContext.get(),
        [this] { delete std::exchange(m_timer, nullptr); }, Qt::DirectConnection);
}

MainThreadWatchdog::~MainThreadWatchdog()
{
    // The timer is deleted on its own thread as that thread finishes (see the constructor);
    // once it has finished nothing posts measurements to this object any more, and the ones
    // already posted are discarded with it.
    m_thread.quit();
    m_thread.wait();
}

void MainThreadWatchdog::start()
{
    if (m_timer)
        return;
    m_thread.start(QThread::LowPriority);
    QMetaObject::invokeMethod(
        m_threadContext.get(),
        [this] {
            auto *timer = new QTimer(m_threadContext.get());
            timer->setTimerType(Qt::CoarseTimer);
            timer->setInterval(std::chrono::milliseconds(qRound64(m_pingInterval * 1000.0)));
            connect(timer, &QTimer::timeout, m_threadContext.get(), [this] { ping(); });
            timer->start();
            m_timer = timer;
        },
        Qt::BlockingQueuedConnection);
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
    QMetaObject::invokeMethod(
        m_threadContext.get(), [handler = m_onStall, elapsed] { handler(elapsed); },
        Qt::QueuedConnection);
}
