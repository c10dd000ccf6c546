#include "tracking/model/StrictJson.h"

#include "foundation/UuidText.h"

#include <cmath>

namespace StrictJson {

namespace {

constexpr double largestExactInteger = 9007199254740992.0;

std::optional<qint64> integerOf(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number ||
        std::fabs(number) > largestExactInteger)
        return std::nullopt;
    return static_cast<qint64>(number);
}

std::optional<Timestamp> referenceDateOf(const QJsonValue &value)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return Timestamp::fromSecondsSinceReferenceDate(value.toDouble());
}

bool isAbsent(const QJsonObject &object, const QString &key)
{
    return !object.contains(key) || object.value(key).isNull();
}

} // namespace

std::optional<QString> requiredString(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QUuid> requiredUuid(const QJsonObject &object, const QString &key)
{
    const auto text = requiredString(object, key);
    if (!text)
        return std::nullopt;
    return UuidText::parse(*text);
}

std::optional<double> requiredNumber(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

std::optional<qint64> requiredInteger(const QJsonObject &object, const QString &key)
{
    return integerOf(object.value(key));
}

std::optional<Timestamp> requiredReferenceDate(const QJsonObject &object, const QString &key)
{
    return referenceDateOf(object.value(key));
}

std::optional<std::optional<qint64>> optionalInteger(const QJsonObject &object, const QString &key)
{
    if (isAbsent(object, key))
        return std::optional<qint64>();
    const auto value = integerOf(object.value(key));
    if (!value)
        return std::nullopt;
    return value;
}

std::optional<std::optional<Timestamp>> optionalReferenceDate(const QJsonObject &object,
                                                              const QString &key)
{
    if (isAbsent(object, key))
        return std::optional<Timestamp>();
    const auto value = referenceDateOf(object.value(key));
    if (!value)
        return std::nullopt;
    return value;
}

} // namespace StrictJson
