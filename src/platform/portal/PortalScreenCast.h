#pragma once

#include "platform/DisplayCaptureBackend.h"

#include <QDBusConnection>
#include <QImage>
#include <QList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class PipeWireStreams;
class PortalSessionWorker;
class QThread;
class SettingsStore;

// The process's client of the desktop portal's screen capture: one persistent ScreenCast session
// over every monitor (its restore token kept in the user defaults, so later launches start it
// without asking), or, where the portal offers no ScreenCast, its Screenshot interface.
//
// The portal answers through signals, so its requests live on a thread of their own with an
// event loop. Every public call may come from any thread; those meant for the GUI thread never
// block, those meant for the capture thread wait at most the times in Options. The desktop's
// chooser is that system's Screen Recording grant: a cancelled or failed chooser, or one nobody
// answers in time, ends as denied.
class PortalScreenCast
{
public:
    enum class Method
    {
        Unknown,    // not asked yet
        ScreenCast, // the portal's ScreenCast with monitors as sources
        Screenshot, // only the portal's Screenshot
        None,       // no portal, or neither interface
    };

    enum class Phase
    {
        Idle,     // no session (none yet, or it was closed)
        Starting, // the portal is being asked; its chooser may be showing
        Active,   // the streams run
        Denied,   // the last start was cancelled, refused or timed out
    };

    struct Offer
    {
        Method method = Method::None;
        uint screenCastVersion = 0;    // restore tokens need 4 or later
        bool offersScreenshot = false; // what a ScreenCast that cannot deliver falls back to
        bool canHideCursor = false;
    };

    struct Stream
    {
        quint32 nodeId = 0;
        DisplayInfo display;
    };

    struct Options
    {
        // A connection of our own: the shared session bus connection delivers no signal until
        // the GUI thread's event loop has run once, and the capture thread may ask before that.
        QDBusConnection connection = QDBusConnection::connectToBus(
            QDBusConnection::SessionBus, QStringLiteral("com.wendoka.zuvevivezid.portal"));
        std::chrono::milliseconds replyTimeout{10000};    // requests that show nothing
        std::chrono::milliseconds chooserTimeout{120000}; // requests a person may have to answer
        std::chrono::milliseconds settleWait{15000};      // a capture's wait for a pending start
        std::chrono::milliseconds firstFrameWait{2000};   // a new stream's wait for its first frame
        bool useScreenCast = true; // off: the Screenshot path even where ScreenCast is offered
        // The desktop this runs on (XDG_CURRENT_DESKTOP): a screen cast that failed on it is
        // not tried again there at the next launch.
        QString desktopName = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
        // Called on the portal's thread when a grant's answer arrives, or when what the portal
        // offers becomes known, so the screens can show it without being asked to look again.
        std::function<void()> grantChanged;
    };

    struct Snapshot
    {
        Method method = Method::Unknown;
        Phase phase = Phase::Idle;
        QList<Stream> streams;
        std::shared_ptr<PipeWireStreams> pipeWire;
        bool holdsRestoreToken = false;
        bool screenshotGranted = false; // the last screenshot succeeded
        bool screenshotRefused = false; // the last screenshot was refused or failed
    };

    // The user-defaults key of the restore token.
    static constexpr const char *restoreTokenKey = "com.wendoka.zuvevivezid.screenCastRestoreToken";
    // The user-defaults key of the desktop where the screen cast was offered but failed.
    static constexpr const char *screenCastFailedKey =
        "com.wendoka.zuvevivezid.screenCastFailedOnDesktop";

    explicit PortalScreenCast(Options options);
    ~PortalScreenCast();
    PortalScreenCast(const PortalScreenCast &) = delete;
    PortalScreenCast &operator=(const PortalScreenCast &) = delete;

    const Options &options() const { return m_options; }

    // Where the restore token is kept; a token received before this is written there now. Also
    // where a screen cast that failed on this desktop is remembered, so that the next launch
    // goes to the Screenshot portal at once instead of asking for a cast that cannot deliver.
    void setRestoreTokenStore(SettingsStore *settings);

    Snapshot snapshot() const;

    // The GUI thread's screen recording check: granted while the session runs or a restore token
    // from an earlier grant is held (the screenshot path: until a screenshot is refused, since
    // nothing tells without taking one, which a desktop may ask about; the first capture of a
    // session asks). It only reads what is granted and never asks the desktop for anything that
    // a person would see; the first time it has the portal's offer found out in the background.
    bool canCaptureScreen();
    // The person asked for the grant: starts the desktop's screen-sharing dialog (or, with only
    // the Screenshot portal, a screenshot) in the background unless the screen is already
    // granted or a grant is under way. False when the portal offers no capture at all.
    bool requestGrant();

    // Finds out what the portal offers (once, waiting for the answer): not on the GUI thread.
    Offer detectOffer();
    // For the capture thread: a session that runs, restoring it from the token when there is
    // one and waiting for a start under way. Never shows the chooser without a token.
    bool ensureActive();
    // The streams failed: drops the session, so the next start begins anew.
    void dropSession();
    // One composite image of the desktop from the Screenshot portal; null when refused, failed
    // or not answered within the settle wait.
    QImage takeScreenshot();

    // Keeps the token in memory and in the user defaults; empty removes it. Called by the worker.
    void storeRestoreToken(const QString &token);
    QString restoreToken() const;

private:
    friend class PortalSessionWorker;

    void answerScreenshot(quint64 ticket, const QImage &image);
    // The ScreenCast was offered but cannot deliver: the Screenshot portal stands in from now on.
    void fallBackToScreenshot();
    void announceGrantChange() const;

    Options m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    Snapshot m_state;
    std::mutex m_offerMutex; // held while the portal is asked, so it is asked once
    std::optional<Offer> m_offer;
    bool m_screenshotPending = false;
    bool m_detecting = false; // the portal's offer is being found out for a check
    QString m_token;
    SettingsStore *m_settings = nullptr;
    bool m_screenCastFailedHere = false; // remembered from an earlier launch
    quint64 m_nextTicket = 0;
    quint64 m_answeredTicket = 0;
    QImage m_screenshot;

    std::unique_ptr<QThread> m_thread;
    PortalSessionWorker *m_worker = nullptr; // lives on m_thread
};
