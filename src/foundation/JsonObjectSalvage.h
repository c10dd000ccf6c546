#pragma once

#include <QByteArray>
#include <QJsonObject>

// What can still be read from a JSON object whose file was cut short (a full disk, a power cut
// in the middle of a write): the members that stand complete before the cut. A member is taken
// only whole, so a value is never read from half its text.
class JsonObjectSalvage
{
public:
    static QJsonObject completeMembers(const QByteArray &damaged);
};
