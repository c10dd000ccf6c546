#include "app/shell/LaunchGate.h"

#include "app/shell/ShellDialogs.h"
#include "foundation/AppPaths.h"
#include "foundation/Log.h"

#include <cstdio>

namespace {

void printToStandardError(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

LaunchGate::LaunchGate(QString dataFolder, ShellDialogs &dialogs, ErrorPrinter printError)
    : m_dataFolder(std::move(dataFolder))
    , m_dialogs(dialogs)
    , m_printError(printError ? std::move(printError) : printToStandardError)
{}

LaunchGate::~LaunchGate() = default;

std::optional<int> LaunchGate::admit(int askTimeoutMs)
{
    const QString folderProblem = AppPaths::preparePrivateFolder(m_dataFolder);
    if (!folderProblem.isEmpty())
        return refuse(QString::fromLatin1(cannotStartTitle), folderProblem);

    auto instance = std::make_unique<SingleInstanceGuard>(m_dataFolder);
    if (instance->tryToRun()) {
        m_instance = std::move(instance);
        return std::nullopt;
    }
    if (!instance->isHeldByAnotherInstance()) {
        return refuse(QString::fromLatin1(cannotStartTitle),
                      QStringLiteral("The data folder %1 cannot be used: %2")
                          .arg(m_dataFolder, instance->lockProblem()));
    }
    if (instance->askRunningInstanceToShowWindow(askTimeoutMs)) {
        zuvInfo(lcLegacyShell) << "Already running; its window was brought forward";
        return 0;
    }
    return refuse(QString::fromLatin1(notAnsweringTitle),
                  QStringLiteral("Another instance holds the data folder %1 but does not answer")
                      .arg(m_dataFolder));
}

int LaunchGate::refuse(const QString &title, const QString &problem)
{
    zuvError(lcLegacyShell).noquote() << problem;
    m_printError(problem);
    m_dialogs.showLaunchProblem(title, problem);
    return 1;
}
