#pragma once

#include "app/state/AlertPresenter.h"

#include <QHash>
#include <QMessageBox>
#include <QPointer>

#include <functional>

// The dialogs the application shows about the tracker's state. Every one but a notice is modal:
// the call returns once the user has answered.
class ShellDialogs : public AlertPresenter
{
public:
    enum class IdleAnswer
    {
        Continue,
        Stop,
    };

    // Brings the application in front of the others (its visible window, if any).
    virtual void activateApplication() = 0;
    // "You are idle": Continue (the default) or Stop.
    virtual IdleAnswer askIdleDecision() = 0;
    // "Session resumed on another device", answered with OK.
    virtual void showSessionTakenOver() = 0;
    // Why this launch ends before the application is up, answered with OK.
    virtual void showLaunchProblem(const QString &title, const QString &problem) = 0;
};

// The dialogs as message boxes, with the brand-tinted glyph as their icon.
class MessageBoxDialogs final : public ShellDialogs
{
public:
    static constexpr const char *takenOverDialogName = "SessionTakenOverDialog";
    static constexpr const char *noticeDialogName = "LocalDataNotice";

    // How the application is brought forward; the shell sets it once its windows exist.
    void setActivateApplication(std::function<void()> activate)
    {
        m_activate = std::move(activate);
    }

    void activateApplication() override;
    IdleAnswer askIdleDecision() override;
    void showSessionTakenOver() override;
    void showLaunchProblem(const QString &title, const QString &problem) override;
    void presentInformational(const QString &messageText,
                              const std::optional<QString> &informativeText) override;
    void presentNotice(const QString &messageText, const QString &informativeText) override;

private:
    std::function<void()> m_activate;
    // The notices open now, by message; a closed one deletes itself.
    QHash<QString, QPointer<QMessageBox>> m_notices;
};
