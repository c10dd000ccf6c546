#pragma once

#include "app/shell/ShellDialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

// Answers every dialog at once and remembers what was shown, in order, with the application
// activations between them.
class FakeShellDialogs final : public ShellDialogs
{
public:
    IdleAnswer idleAnswer = IdleAnswer::Continue;
    // Runs while the idle question is "on screen".
    std::function<void()> whileAsking;
    QStringList shown;

    void activateApplication() override { shown.append(QStringLiteral("activate")); }
    IdleAnswer askIdleDecision() override
    {
        shown.append(QStringLiteral("idle"));
        if (whileAsking)
            whileAsking();
        return idleAnswer;
    }
    void showSessionTakenOver() override { shown.append(QStringLiteral("takenOver")); }
    void showLaunchProblem(const QString &title, const QString &problem) override
    {
        shown.append(QStringLiteral("launch:") + title + QLatin1Char('|') + problem);
    }
    void presentInformational(const QString &messageText, const std::optional<QString> &) override
    {
        shown.append(QStringLiteral("info:") + messageText);
    }
    void presentNotice(const QString &messageText, const QString &) override
    {
        shown.append(QStringLiteral("notice:") + messageText);
    }
};
