#include "api/auth/StrictJsonReader.h"

#include <QVariant>

#include <cmath>

StrictJsonReader::StrictJsonReader(const QJsonValue &value)
    : m_object(value.toObject())
    , m_ok(value.isObject())
{}

QJsonValue StrictJsonReader::present(const QString &key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        m_ok = false;
    return value;
}

std::optional<QJsonValue> StrictJsonReader::presentOrAbsent(const QString &key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return value;
}

std::optional<qint64> StrictJsonReader::integerValue(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    // Integers written without a fraction arrive as 64-bit integers and keep every digit.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double number = value.toDouble();
    // 2^63 itself is out of range; every double below it converts exactly.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(number) || std::trunc(number) != number || number < -limit ||
        number >= limit)
        return std::nullopt;
    return static_cast<qint64>(number);
}

QString StrictJsonReader::requiredString(const QString &key)
{
    const QJsonValue value = present(key);
    if (!m_ok || !value.isString()) {
        m_ok = false;
        return {};
    }
    return value.toString();
}

std::optional<QString> StrictJsonReader::optionalString(const QString &key)
{
    const std::optional<QJsonValue> value = presentOrAbsent(key);
    if (!m_ok || !value)
        return std::nullopt;
    if (!value->isString()) {
        m_ok = false;
        return std::nullopt;
    }
    return value->toString();
}

qint64 StrictJsonReader::requiredInteger(const QString &key)
{
    const QJsonValue value = present(key);
    const std::optional<qint64> number = m_ok ? integerValue(value) : std::nullopt;
    if (!number) {
        m_ok = false;
        return 0;
    }
    return *number;
}

std::optional<qint64> StrictJsonReader::optionalInteger(const QString &key)
{
    const std::optional<QJsonValue> value = presentOrAbsent(key);
    if (!m_ok || !value)
        return std::nullopt;
    const std::optional<qint64> number = integerValue(*value);
    if (!number)
        m_ok = false;
    return number;
}

double StrictJsonReader::requiredNumber(const QString &key)
{
    const QJsonValue value = present(key);
    if (!m_ok || !value.isDouble()) {
        m_ok = false;
        return 0.0;
    }
    return value.toDouble();
}

bool StrictJsonReader::requiredBoolean(const QString &key)
{
    const QJsonValue value = present(key);
    if (!m_ok || !value.isBool()) {
        m_ok = false;
        return false;
    }
    return value.toBool();
}

QJsonObject StrictJsonReader::requiredObject(const QString &key)
{
    const QJsonValue value = present(key);
    if (!m_ok || !value.isObject()) {
        m_ok = false;
        return {};
    }
    return value.toObject();
}

std::optional<QJsonObject> StrictJsonReader::optionalObject(const QString &key)
{
    const std::optional<QJsonValue> value = presentOrAbsent(key);
    if (!m_ok || !value)
        return std::nullopt;
    if (!value->isObject()) {
        m_ok = false;
        return std::nullopt;
    }
    return value->toObject();
}

QJsonArray StrictJsonReader::requiredArray(const QString &key)
{
    const QJsonValue value = present(key);
    if (!m_ok || !value.isArray()) {
        m_ok = false;
        return {};
    }
    return value.toArray();
}

std::optional<QJsonArray> StrictJsonReader::optionalArray(const QString &key)
{
    const std::optional<QJsonValue> value = presentOrAbsent(key);
    if (!m_ok || !value)
        return std::nullopt;
    if (!value->isArray()) {
        m_ok = false;
        return std::nullopt;
    }
    return value->toArray();
}
