#pragma once

#include "foundation/Timestamp.h"

#include <QString>
#include <QTimeZone>

// Internet date-time texts as the HR service's API reads them: whole seconds (fractions dropped,
// never rounded up) and the zone's offset with a colon, or "Z" for a zero offset, e.g.
// "2024-05-01T09:30:00+07:00". Digits are ASCII whatever the locale.
namespace Iso8601 {

QString format(Timestamp moment, const QTimeZone &zone);

} // namespace Iso8601
