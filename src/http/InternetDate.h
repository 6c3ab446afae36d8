#pragma once

#include "platform/DateTime.h"

#include <string>
#include <string_view>

namespace http {

// The internet date texts of HTTP headers and cookies: RFC 1123 ("Sun, 06 Nov 1994 08:49:37
// GMT"), RFC 850 ("Sunday, 06-Nov-94 08:49:37 GMT") and asctime ("Sun Nov  6 08:49:37 1994"),
// with a numeric zone ("+0200") read too. Nothing on failure: a text that does not parse
// raises no error.

// The moment the text names, in UTC; 0 when it does not parse.
platform::TDateTime ParseInternetDate(std::string_view text);
// As ParseInternetDate, converted to local time.
platform::TDateTime GMTToLocalDateTime(std::string_view text);
// "Sun, 06 Nov 1994 08:49:37 GMT" for a UTC moment.
std::string DateTimeGMTToHttpStr(platform::TDateTime utc);
// The internet date text of a local moment.
std::string LocalDateTimeToHttpStr(platform::TDateTime local);

} // namespace http
