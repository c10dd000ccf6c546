#pragma once

#include "app/config/RemoteProject.h"

#include <QList>
#include <QString>

// One line of the task picker: what it says, what choosing it writes as the selected task, and
// whether it carries the check mark.
struct TaskMenuEntry
{
    QString title;
    QString projectId;
    bool checked = false;

    friend bool operator==(const TaskMenuEntry &, const TaskMenuEntry &) = default;
};

// "No task" first, then every task in the server's order, unsorted and not de-duplicated: two
// tasks under the selected id are both checked.
QList<TaskMenuEntry> taskMenuEntries(const QList<RemoteProject> &projects,
                                     const QString &selectedProjectId);
