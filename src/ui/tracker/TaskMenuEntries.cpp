#include "ui/tracker/TaskMenuEntries.h"

QList<TaskMenuEntry> taskMenuEntries(const QList<RemoteProject> &projects,
                                     const QString &selectedProjectId)
{
    QList<TaskMenuEntry> entries;
    entries.reserve(projects.size() + 1);
    entries.append({QStringLiteral("No task"), QString(), selectedProjectId.isEmpty()});
    for (const RemoteProject &project : projects)
        entries.append({project.name, project.id, project.id == selectedProjectId});
    return entries;
}
