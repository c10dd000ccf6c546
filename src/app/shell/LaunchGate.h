#pragma once

#include "app/shell/SingleInstanceGuard.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class ShellDialogs;

// Decides, before the application is built, whether this launch runs: the data folder must be
// able to hold the application's data, and only one instance may use it. Whatever ends a launch
// is said on standard error and in a dialog, since a person who started it from a menu sees no
// terminal.
class LaunchGate
{
public:
    using ErrorPrinter = std::function<void(const QString &line)>;

    static constexpr const char *cannotStartTitle = "Zudevav EvozUvarevu cannot start";
    static constexpr const char *notAnsweringTitle =
        "Zudevav EvozUvarevu is already running but does not answer";

    // The printer defaults to standard error.
    LaunchGate(QString dataFolder, ShellDialogs &dialogs, ErrorPrinter printError = {});
    ~LaunchGate();
    LaunchGate(const LaunchGate &) = delete;
    LaunchGate &operator=(const LaunchGate &) = delete;

    // None when this process is now the running instance; otherwise the exit status, once the
    // person was told (0 when the running instance brought its window forward).
    std::optional<int> admit(int askTimeoutMs = 3000);

    // The running instance's guard, after admit() let the launch run.
    SingleInstanceGuard *instance() const { return m_instance.get(); }

private:
    int refuse(const QString &title, const QString &problem);

    const QString m_dataFolder;
    ShellDialogs &m_dialogs;
    ErrorPrinter m_printError;
    std::unique_ptr<SingleInstanceGuard> m_instance;
};
