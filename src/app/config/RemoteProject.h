#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// One task the employee can track, as the company's configuration lists it.
struct RemoteProject
{
    QString id;
    QString name;

    // Both members must be JSON strings; anything else is no project at all.
    static std::optional<RemoteProject> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const RemoteProject &, const RemoteProject &) = default;
};
