#include "app/config/RemoteProject.h"

#include "tracking/model/StrictJson.h"

namespace {
const QString idKey = QStringLiteral("project_id");
const QString nameKey = QStringLiteral("project_name");
} // namespace

std::optional<RemoteProject> RemoteProject::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    auto id = StrictJson::requiredString(object, idKey);
    auto name = StrictJson::requiredString(object, nameKey);
    if (!id || !name)
        return std::nullopt;
    return RemoteProject{std::move(*id), std::move(*name)};
}

QJsonObject RemoteProject::toJson() const
{
    return QJsonObject{{idKey, id}, {nameKey, name}};
}
