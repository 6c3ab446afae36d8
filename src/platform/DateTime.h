#pragma once

#include <ctime>

namespace platform {

// The toolkit's date-time: days since 1899-12-30 00:00 with the time of day as the fraction.
// 0 stands for "none".
using TDateTime = double;

inline constexpr TDateTime UnixEpoch = 25569.0; // 1970-01-01
inline constexpr double SecondsPerDay = 86400.0;

// The current local time.
TDateTime Now();
// A time of day; raises EConvertError "Invalid argument to time encode" unless hour < 24,
// minute < 60, second < 60 and millisecond < 1000 (none negative).
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
// A calendar date; nothing when it does not exist.
bool TryEncodeDate(int year, int month, int day, TDateTime& date);

TDateTime FromUnixTime(std::time_t seconds);
std::time_t ToUnixTime(TDateTime value);
// Between UTC and the local time zone (as it was or will be at that moment).
TDateTime UTCToLocal(TDateTime utc);
TDateTime LocalToUTC(TDateTime local);

// Seconds east of UTC in the local time zone at `moment` (each system's own).
long LocalTimeOffset(std::time_t moment);

} // namespace platform
