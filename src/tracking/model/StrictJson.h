#pragma once

#include "foundation/Timestamp.h"

#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

// Reading stored JSON strictly: a key of the wrong JSON type is no value at all, never converted.
// The optional readers tell "absent or null" (a value of nothing) from "present but wrong" (an
// error) so that callers can fail a whole document on the latter.
namespace StrictJson {

std::optional<QString> requiredString(const QJsonObject &object, const QString &key);
std::optional<QUuid> requiredUuid(const QJsonObject &object, const QString &key);
std::optional<double> requiredNumber(const QJsonObject &object, const QString &key);
// A JSON number with no fractional part that fits 64 bits exactly.
std::optional<qint64> requiredInteger(const QJsonObject &object, const QString &key);
std::optional<Timestamp> requiredReferenceDate(const QJsonObject &object, const QString &key);

// For an optional key: nullopt when the key is present with a wrong type; otherwise the value,
// which is itself empty for a missing or null key.
std::optional<std::optional<qint64>> optionalInteger(const QJsonObject &object, const QString &key);
std::optional<std::optional<Timestamp>> optionalReferenceDate(const QJsonObject &object,
                                                              const QString &key);

} // namespace StrictJson
