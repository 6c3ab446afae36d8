#include "TimeZone.h"

#include <cstdlib>
#include <ctime>

namespace testsupport {

void SetTimeZone(const char* zone) {
  // An empty value removes the variable.
  _putenv_s("TZ", zone ? zone : "");
  _tzset();
}

} // namespace testsupport
