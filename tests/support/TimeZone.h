#pragma once

namespace testsupport {

// Sets the local time zone of the C library's conversions to `zone`, a POSIX TZ text such as
// "EET-2" that both platforms' C libraries read; nullptr returns to the system's zone.
void SetTimeZone(const char* zone);

} // namespace testsupport
