#pragma once

#include "foundation/Timestamp.h"

#include <QString>

class Clock;

// Reads the expiry texts of the authentication answers. The service writes ISO 8601 with "Z" or an
// offset, or "yyyy-MM-dd HH:mm:ss" meaning UTC; anything else must not fail a sign-in, so it counts
// as the given number of seconds from now.
namespace AuthDateParser {

inline constexpr double accessTokenDefaultSeconds = 3600.0;
inline constexpr double refreshTokenDefaultSeconds = 2'592'000.0;

Timestamp parse(const QString &text, double defaultFromNow, const Clock &clock);

} // namespace AuthDateParser
