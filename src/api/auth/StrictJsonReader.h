#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Reads one JSON object the way the HR service's answers must be read: a required key that is
// missing or null, or any value of the wrong JSON type (also under an optional key), spoils the
// whole object. There is no conversion between numbers, texts and booleans; integers must be whole
// numbers within 64 bits. Once a read has failed, ok() stays false and every later read answers a
// neutral value, so a decoder can read all its fields and check once at the end.
class StrictJsonReader
{
public:
    explicit StrictJsonReader(const QJsonValue &value);

    bool ok() const { return m_ok; }
    void fail() { m_ok = false; }

    QString requiredString(const QString &key);
    std::optional<QString> optionalString(const QString &key);

    qint64 requiredInteger(const QString &key);
    std::optional<qint64> optionalInteger(const QString &key);

    double requiredNumber(const QString &key);
    bool requiredBoolean(const QString &key);

    QJsonObject requiredObject(const QString &key);
    // The value under the key when it is present and not null; a value of another type than an
    // object fails the reader.
    std::optional<QJsonObject> optionalObject(const QString &key);

    QJsonArray requiredArray(const QString &key);
    std::optional<QJsonArray> optionalArray(const QString &key);

    // Decodes a nested value with the given decoder; its failure fails this reader.
    template<typename T, typename Decoder>
    T required(const QString &key, Decoder decode)
    {
        const QJsonValue value = present(key);
        if (!m_ok)
            return T{};
        std::optional<T> decoded = decode(value);
        if (!decoded) {
            m_ok = false;
            return T{};
        }
        return std::move(*decoded);
    }

    template<typename T, typename Decoder>
    std::optional<T> optional(const QString &key, Decoder decode)
    {
        const QJsonValue value = m_object.value(key);
        if (!m_ok || value.isUndefined() || value.isNull())
            return std::nullopt;
        std::optional<T> decoded = decode(value);
        if (!decoded)
            m_ok = false;
        return decoded;
    }

    // Decodes every element of an array with the given decoder; one bad element fails the reader.
    template<typename T, typename Decoder>
    QList<T> requiredList(const QString &key, Decoder decode)
    {
        return decodeList<T>(requiredArray(key), decode);
    }

    template<typename T, typename Decoder>
    std::optional<QList<T>> optionalList(const QString &key, Decoder decode)
    {
        const std::optional<QJsonArray> array = optionalArray(key);
        if (!array)
            return std::nullopt;
        QList<T> list = decodeList<T>(*array, decode);
        if (!m_ok)
            return std::nullopt;
        return list;
    }

    // A whole number within 64 bits, else nothing.
    static std::optional<qint64> integerValue(const QJsonValue &value);

private:
    QJsonValue present(const QString &key);
    std::optional<QJsonValue> presentOrAbsent(const QString &key);

    template<typename T, typename Decoder>
    QList<T> decodeList(const QJsonArray &array, Decoder decode)
    {
        QList<T> list;
        list.reserve(array.size());
        for (const QJsonValue &element : array) {
            if (!m_ok)
                break;
            std::optional<T> decoded = decode(element);
            if (!decoded) {
                m_ok = false;
                break;
            }
            list.append(std::move(*decoded));
        }
        return list;
    }

    QJsonObject m_object;
    bool m_ok = true;
};
