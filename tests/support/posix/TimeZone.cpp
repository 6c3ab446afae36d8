#include "TimeZone.h"

#include <cstdlib>
#include <ctime>

namespace testsupport {

void SetTimeZone(const char* zone) {
  if (zone)
    setenv("TZ", zone, 1);
  else
    unsetenv("TZ");
  tzset();
}

} // namespace testsupport
