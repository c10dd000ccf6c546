#pragma once

#include "app/config/RemoteProject.h"
#include "ui/tracker/TaskMenuEntries.h"

#include "ui/tracker/TrackerServices.h"
#include <QList>

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QString>
#include <QtQmlIntegration>

#include <optional>

// Every decision of the not-tracking screen: the greeting, whether "Start Tracking" may be
// pressed, the task field's title, the tips card's status line, the start itself and the task
// menu behind the field.
class TrackerIdleViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(TrackerServices *services READ services WRITE setServices NOTIFY servicesChanged)
    Q_PROPERTY(QString greeting READ greeting NOTIFY greetingChanged)
    Q_PROPERTY(bool startEnabled READ startEnabled NOTIFY startEnabledChanged)
    Q_PROPERTY(double startOpacity READ startOpacity NOTIFY startEnabledChanged)
    Q_PROPERTY(QString taskTitle READ taskTitle NOTIFY taskTitleChanged)
    Q_PROPERTY(bool hasStatusMessage READ hasStatusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)

public:
    // The menu opens this far below the field.
    static constexpr int menuGap = 6;

    explicit TrackerIdleViewModel(QObject *parent = nullptr);

    static bool startEnabledFor(bool hasConfig, bool forceClientUpdate);
    // The first task with the id, or none (no task chosen, or one no longer listed).
    static std::optional<RemoteProject> projectToStart(const QList<RemoteProject> &projects,
                                                       const QString &selectedProjectId);
    // "No task", the first listed task's name, or the raw id of a task no longer listed.
    static QString taskTitleFor(const QList<RemoteProject> &projects,
                                const QString &selectedProjectId);

    TrackerServices *services() const { return m_services; }
    void setServices(TrackerServices *services);

    QString greeting() const { return m_greeting; }
    bool startEnabled() const;
    double startOpacity() const { return startEnabled() ? 1.0 : 0.5; }
    QString taskTitle() const;
    bool hasStatusMessage() const;
    QString statusMessage() const;

    // The screen came into view: a fresh greeting.
    Q_INVOKABLE void appeared();
    // "Start Tracking"; does nothing while it is disabled.
    Q_INVOKABLE void start();
    // The task field: starts the configuration refresh and pops the menu up under the field.
    Q_INVOKABLE void presentTaskMenu(QQuickItem *field);
    // The menu's lines as they would show now, and choosing one of them.
    QList<TaskMenuEntry> menuEntries() const;
    void chooseEntry(const TaskMenuEntry &entry);

Q_SIGNALS:
    void servicesChanged();
    void greetingChanged();
    void startEnabledChanged();
    void taskTitleChanged();
    void statusMessageChanged();

private:
    void drawGreeting();

    QPointer<TrackerServices> m_services;
    QString m_greeting;
};
