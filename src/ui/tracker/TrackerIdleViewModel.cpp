#include "ui/tracker/TrackerIdleViewModel.h"

#include "app/state/AppStateManager.h"
#include "foundation/RandomSource.h"
#include "tracking/engine/SessionManager.h"
#include "ui/design/WDGlyph.h"
#include "ui/tracker/MotivationalPhrases.h"
#include "ui/tracker/TaskMenuConfigRefresh.h"
#include "ui/tracker/TrackerServices.h"

#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace {

// QMenu reads "&" as a mnemonic and a tab as the start of a shortcut; a task's title is shown
// as the service names it ("R&D", not "RD" with an underlined D).
QString menuText(QString title)
{
    return title.replace(QLatin1Char('&'), QStringLiteral("&&"))
        .replace(QLatin1Char('\t'), QLatin1Char(' '));
}

QPixmap tintedMark(const QMenu &menu, QPalette::ColorRole role)
{
    const int side = menu.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &menu);
    const qreal scale = menu.devicePixelRatioF();
    QImage image = WDGlyph::render(QStringLiteral("Checkmark"), menu.palette().color(role),
                                   QSize(side, side) * scale);
    image.setDevicePixelRatio(scale);
    return QPixmap::fromImage(image);
}

// A check mark on the chosen line only, in the menu's text colours; a checkable action would
// draw an empty box on every other line.
QIcon checkMark(const QMenu &menu)
{
    QIcon mark;
    mark.addPixmap(tintedMark(menu, QPalette::Text), QIcon::Normal);
    mark.addPixmap(tintedMark(menu, QPalette::HighlightedText), QIcon::Active);
    return mark;
}

const RemoteProject *firstProjectWithId(const QList<RemoteProject> &projects, const QString &id)
{
    const auto found =
        std::find_if(projects.cbegin(), projects.cend(),
                     [&id](const RemoteProject &project) { return project.id == id; });
    return found == projects.cend() ? nullptr : &*found;
}

} // namespace

TrackerIdleViewModel::TrackerIdleViewModel(QObject *parent)
    : QObject(parent)
{}

bool TrackerIdleViewModel::startEnabledFor(bool hasConfig, bool forceClientUpdate)
{
    return hasConfig && !forceClientUpdate;
}

std::optional<RemoteProject>
TrackerIdleViewModel::projectToStart(const QList<RemoteProject> &projects,
                                     const QString &selectedProjectId)
{
    if (const RemoteProject *project = firstProjectWithId(projects, selectedProjectId))
        return *project;
    return std::nullopt;
}

QString TrackerIdleViewModel::taskTitleFor(const QList<RemoteProject> &projects,
                                           const QString &selectedProjectId)
{
    if (selectedProjectId.isEmpty())
        return QStringLiteral("No task");
    if (const RemoteProject *project = firstProjectWithId(projects, selectedProjectId))
        return project->name;
    return selectedProjectId;
}

void TrackerIdleViewModel::setServices(TrackerServices *services)
{
    if (m_services == services)
        return;
    if (m_services && m_services->appState())
        disconnect(m_services->appState(), nullptr, this, nullptr);
    if (m_services && m_services->sessionManager())
        disconnect(m_services->sessionManager(), nullptr, this, nullptr);
    m_services = services;
    if (AppStateManager *state = services ? services->appState() : nullptr) {
        connect(state, &AppStateManager::remoteConfigChanged, this, [this] {
            Q_EMIT startEnabledChanged();
            Q_EMIT taskTitleChanged();
        });
        connect(state, &AppStateManager::forceUpdateChanged, this,
                &TrackerIdleViewModel::startEnabledChanged);
    }
    if (SessionManager *engine = services ? services->sessionManager() : nullptr) {
        connect(engine, &SessionManager::selectedProjectIdChanged, this,
                &TrackerIdleViewModel::taskTitleChanged);
        connect(engine, &SessionManager::lastStatusMessageChanged, this,
                &TrackerIdleViewModel::statusMessageChanged);
    }
    drawGreeting();
    Q_EMIT servicesChanged();
    Q_EMIT startEnabledChanged();
    Q_EMIT taskTitleChanged();
    Q_EMIT statusMessageChanged();
}

bool TrackerIdleViewModel::startEnabled() const
{
    const AppStateManager *state = m_services ? m_services->appState() : nullptr;
    return state && startEnabledFor(state->remoteConfig().has_value(), state->forceClientUpdate());
}

QString TrackerIdleViewModel::taskTitle() const
{
    if (!m_services || !m_services->appState() || !m_services->sessionManager())
        return QStringLiteral("No task");
    return taskTitleFor(m_services->appState()->projects(),
                        m_services->sessionManager()->selectedProjectId());
}

bool TrackerIdleViewModel::hasStatusMessage() const
{
    return m_services && m_services->sessionManager() &&
           m_services->sessionManager()->lastStatusMessage().has_value();
}

QString TrackerIdleViewModel::statusMessage() const
{
    if (!hasStatusMessage())
        return {};
    return *m_services->sessionManager()->lastStatusMessage();
}

void TrackerIdleViewModel::appeared()
{
    drawGreeting();
}

void TrackerIdleViewModel::drawGreeting()
{
    if (!m_services)
        return;
    const QStringList &greetings = MotivationalPhrases::idle();
    const auto count = static_cast<int>(greetings.size());
    const double draw = m_services->random().uniform(0.0, 1.0);
    const int index = std::clamp(static_cast<int>(std::floor(draw * count)), 0, count - 1);
    // Consecutive draws may repeat; the greeting then simply stays.
    if (greetings.at(index) == m_greeting)
        return;
    m_greeting = greetings.at(index);
    Q_EMIT greetingChanged();
}

void TrackerIdleViewModel::start()
{
    if (!startEnabled() || !m_services->sessionManager())
        return;
    SessionManager *engine = m_services->sessionManager();
    engine->startTracking(
        projectToStart(m_services->appState()->projects(), engine->selectedProjectId()));
}

QList<TaskMenuEntry> TrackerIdleViewModel::menuEntries() const
{
    if (!m_services || !m_services->appState() || !m_services->sessionManager())
        return {};
    return taskMenuEntries(m_services->appState()->projects(),
                           m_services->sessionManager()->selectedProjectId());
}

void TrackerIdleViewModel::chooseEntry(const TaskMenuEntry &entry)
{
    if (m_services && m_services->sessionManager())
        m_services->sessionManager()->setSelectedProjectId(entry.projectId);
}

void TrackerIdleViewModel::presentTaskMenu(QQuickItem *field)
{
    if (!m_services)
        return;
    m_services->taskMenuRefresh().schedule();
    if (!field || !field->window())
        return;

    const QList<TaskMenuEntry> entries = menuEntries();
    // A real window: a menu drawn inside the 340-wide popover would be cut off at its edges.
    QMenu menu;
    menu.setObjectName(QStringLiteral("taskMenu"));
    const QIcon mark = checkMark(menu);
    for (const TaskMenuEntry &entry : entries)
        menu.addAction(entry.checked ? mark : QIcon(), menuText(entry.title));
    menu.setMinimumWidth(static_cast<int>(std::ceil(field->width())));
    // Tied to the screen's window, so that window still counts as active while the menu has
    // the focus: the popover closes when it stops being active.
    menu.winId();
    if (QWindow *handle = menu.windowHandle())
        handle->setTransientParent(field->window());
    const QPointF below = field->mapToGlobal(QPointF(0, field->height() + menuGap));

    // The menu runs its own event loop, during which this screen may go (a session started
    // from the other window); only what still exists afterwards is touched.
    const QPointer<TrackerIdleViewModel> self(this);
    QAction *chosen = menu.exec(below.toPoint());
    if (!self || !chosen)
        return;
    const auto index = static_cast<qsizetype>(menu.actions().indexOf(chosen));
    if (index >= 0 && index < entries.size())
        chooseEntry(entries.at(index));
}
