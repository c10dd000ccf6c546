#pragma once

#include <QString>
#include <QUuid>

#include <optional>

// UUIDs travel as their canonical 36-character upper-case text, in the database and on the wire.
namespace UuidText {

QString format(const QUuid &uuid);

// Accepts exactly the 8-4-4-4-12 hexadecimal form, in either letter case; nothing else (no
// braces, no surrounding space).
std::optional<QUuid> parse(QStringView text);

} // namespace UuidText
