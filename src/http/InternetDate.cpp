#include "http/InternetDate.h"

#include "platform/Text.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace http {

using platform::TDateTime;

namespace {

constexpr std::array<const char*, 12> Months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 7> Days = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// The words of a text split at blanks and commas.
std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  const auto separator = [](char c) { return c == ' ' || c == ',' || c == '\t'; };
  while (i < text.size()) {
    while (i < text.size() && separator(text[i]))
      ++i;
    const std::size_t start = i;
    while (i < text.size() && !separator(text[i]))
      ++i;
    if (i > start)
      tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

int MonthOf(std::string_view token) {
  for (std::size_t m = 0; m < Months.size(); ++m) {
    if (token.size() >= 3 && platform::SameText(token.substr(0, 3), Months[m]))
      return static_cast<int>(m) + 1;
  }
  return 0;
}

bool AllDigits(std::string_view token) {
  if (token.empty())
    return false;
  for (char c : token) {
    if (c < '0' || c > '9')
      return false;
  }
  return true;
}

// "hh:mm:ss" or "hh:mm".
bool ParseClock(std::string_view token, int& hour, int& minute, int& second) {
  int parts[3] = {0, 0, 0};
  int count = 0;
  std::size_t start = 0;
  while (count < 3) {
    const std::size_t colon = token.find(':', start);
    const std::string_view piece = token.substr(
        start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
    if (!AllDigits(piece) || piece.size() > 2)
      return false;
    parts[count++] = platform::StrToInt(piece);
    if (colon == std::string_view::npos)
      break;
    start = colon + 1;
  }
  if (count < 2)
    return false;
  hour = parts[0];
  minute = parts[1];
  second = parts[2];
  return hour < 24 && minute < 60 && second < 61;
}

// A numeric zone "+hhmm" / "-hhmm" in seconds east of UTC, or a name (GMT, UTC, UT, Z: 0).
bool ParseZone(std::string_view token, long& offset) {
  if (platform::SameText(token, "GMT") || platform::SameText(token, "UTC") ||
      platform::SameText(token, "UT") || platform::SameText(token, "Z")) {
    offset = 0;
    return true;
  }
  if (token.size() == 5 && (token[0] == '+' || token[0] == '-') && AllDigits(token.substr(1))) {
    const int hours = platform::StrToInt(token.substr(1, 2));
    const int minutes = platform::StrToInt(token.substr(3, 2));
    offset = (token[0] == '-' ? -1 : 1) * (hours * 3600L + minutes * 60L);
    return hours < 24 && minutes < 60;
  }
  return false;
}

} // namespace

TDateTime ParseInternetDate(std::string_view text) {
  // Split into words at blanks and commas; a day-month-year word of RFC 850 splits at "-".
  std::vector<std::string_view> words;
  for (std::string_view token : Tokens(text)) {
    std::size_t start = 0;
    if (token.find(':') == std::string_view::npos && token.front() != '+' && token.front() != '-') {
      while (true) {
        const std::size_t dash = token.find('-', start);
        words.push_back(token.substr(start, dash == std::string_view::npos ? dash : dash - start));
        if (dash == std::string_view::npos)
          break;
        start = dash + 1;
      }
    } else {
      words.push_back(token);
    }
  }

  int day = 0, month = 0, year = -1, hour = -1, minute = 0, second = 0;
  long zone = 0;
  bool haveZone = false;
  for (std::string_view word : words) {
    if (word.empty())
      continue;
    int h = 0, m = 0, s = 0;
    long offset = 0;
    if (hour < 0 && word.find(':') != std::string_view::npos && ParseClock(word, h, m, s)) {
      hour = h;
      minute = m;
      second = s;
    } else if (month == 0 && MonthOf(word) != 0 && !AllDigits(word)) {
      month = MonthOf(word);
    } else if (AllDigits(word)) {
      const int value = platform::StrToInt(word.substr(0, std::min<std::size_t>(word.size(), 9)));
      if (day == 0 && word.size() <= 2 && value >= 1 && value <= 31)
        day = value;
      else if (year < 0 && (word.size() == 2 || word.size() == 4))
        year = value;
      else
        return 0;
    } else if (!haveZone && ParseZone(word, offset)) {
      zone = offset;
      haveZone = true;
    } else {
      bool dayName = false;
      for (const char* name : Days)
        dayName = dayName || platform::StartsText(name, word);
      if (!dayName)
        return 0;
    }
  }
  if (day == 0 || month == 0 || year < 0 || hour < 0)
    return 0;
  if (year < 100) // RFC 850's two-digit years: 70 to 99 are 19xx, the rest 20xx
    year += year >= 70 ? 1900 : 2000;
  TDateTime date = 0;
  if (!platform::TryEncodeDate(year, month, day, date))
    return 0;
  return date +
         (hour * 3600.0 + minute * 60.0 + std::min(second, 59) - zone) / platform::SecondsPerDay;
}

TDateTime GMTToLocalDateTime(std::string_view text) {
  const TDateTime utc = ParseInternetDate(text);
  return utc == 0 ? 0 : platform::UTCToLocal(utc);
}

std::string DateTimeGMTToHttpStr(TDateTime utc) {
  const std::time_t seconds = platform::ToUnixTime(utc);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", Days[parts.tm_wday],
                parts.tm_mday, Months[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour,
                parts.tm_min, parts.tm_sec);
  return text;
}

std::string LocalDateTimeToHttpStr(TDateTime local) {
  return DateTimeGMTToHttpStr(platform::LocalToUTC(local));
}

} // namespace http
