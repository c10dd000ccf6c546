#include "foundation/JsonObjectSalvage.h"

#include <QJsonDocument>
#include <QList>

#include <optional>

namespace {

// Offsets of the commas between the object's own members, outside strings and nested values.
QList<qsizetype> topLevelCommas(const QByteArray &text, qsizetype objectStart)
{
    QList<qsizetype> commas;
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (qsizetype i = objectStart; i < text.size(); ++i) {
        const char c = text.at(i);
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '{' || c == '[')
            ++depth;
        else if (c == '}' || c == ']')
            --depth;
        else if (c == ',' && depth == 1)
            commas.append(i);
    }
    return commas;
}

std::optional<QJsonObject> parsedObject(const QByteArray &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

QJsonObject JsonObjectSalvage::completeMembers(const QByteArray &damaged)
{
    const qsizetype objectStart = damaged.indexOf('{');
    if (objectStart < 0)
        return {};
    if (const auto whole = parsedObject(damaged))
        return *whole;
    // The cut lies after the last member that parses: try the cuts at each comma, latest first.
    const QList<qsizetype> commas = topLevelCommas(damaged, objectStart);
    for (auto comma = commas.crbegin(); comma != commas.crend(); ++comma) {
        if (const auto members = parsedObject(damaged.left(*comma) + '}'))
            return *members;
    }
    // The last member before a cut may itself be cut ("12" of "1234"): it is never guessed at.
    return {};
}
