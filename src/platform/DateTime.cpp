#include "platform/DateTime.h"

#include "platform/Exceptions.h"

#include <chrono>
#include <cmath>

namespace platform {


TDateTime FromUnixTime(std::time_t seconds) {
  return UnixEpoch + static_cast<double>(seconds) / SecondsPerDay;
}

std::time_t ToUnixTime(TDateTime value) {
  return static_cast<std::time_t>(std::llround((value - UnixEpoch) * SecondsPerDay));
}

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const double seconds = std::chrono::duration<double>(now.time_since_epoch()).count();
  const auto whole = static_cast<std::time_t>(seconds);
  return UnixEpoch + (seconds + static_cast<double>(LocalTimeOffset(whole))) / SecondsPerDay;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
      millisecond < 0 || millisecond >= 1000)
    throw EConvertError("Invalid argument to time encode");
  return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) /
         (SecondsPerDay * 1000.0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
    return false;
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int inMonth = days[month - 1] + (month == 2 && leap ? 1 : 0);
  if (day > inMonth)
    return false;
  const std::chrono::year_month_day ymd{std::chrono::year(year),
                                        std::chrono::month(static_cast<unsigned>(month)),
                                        std::chrono::day(static_cast<unsigned>(day))};
  const auto sinceEpoch = std::chrono::sys_days(ymd).time_since_epoch().count();
  date = UnixEpoch + static_cast<double>(sinceEpoch);
  return true;
}

TDateTime UTCToLocal(TDateTime utc) {
  return utc + static_cast<double>(LocalTimeOffset(ToUnixTime(utc))) / SecondsPerDay;
}

TDateTime LocalToUTC(TDateTime local) {
  // The offset at the local moment read as UTC is right except within an hour of a change.
  const long guess = LocalTimeOffset(ToUnixTime(local));
  const long offset = LocalTimeOffset(ToUnixTime(local) - guess);
  return local - static_cast<double>(offset) / SecondsPerDay;
}

} // namespace platform
