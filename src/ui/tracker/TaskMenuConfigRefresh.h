#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class AppStateManager;
class RemoteConfigSource;
class SessionManager;

// The quiet configuration refresh started whenever the task menu opens, so a task assigned on
// the server meanwhile shows at the next opening. It outlives the screen that started it (the
// screen goes as soon as tracking starts), so it belongs to the application.
//
// A fetch's answer belongs to the sign-in and the company it was asked for: after a sign-out,
// a new sign-in or a change of company it is dropped, so another company's tasks and time zone
// never replace the current ones.
class TaskMenuConfigRefresh : public QObject
{
    Q_OBJECT

public:
    struct Dependencies
    {
        AppStateManager &appState;
        SessionManager &sessionManager;
        RemoteConfigSource &configSource;
        // The company the requests go to now (the stored address's domain key).
        std::function<QString()> companyKey;
    };

    explicit TaskMenuConfigRefresh(Dependencies dependencies, QObject *parent = nullptr);

    // Starts one refresh and returns at once; overlapping refreshes may share one fetch.
    void schedule();
    // The refresh itself: a failed fetch changes nothing.
    QCoro::Task<> refresh();

private:
    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
    RemoteConfigSource &m_configSource;
    std::function<QString()> m_companyKey;
    // Counts the sign-in's changes, so that a sign-out followed by a sign-in is not "the same".
    quint64 m_signInGeneration = 0;
};
