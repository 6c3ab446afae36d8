#include "platform/DateTime.h"

namespace platform {

long LocalTimeOffset(std::time_t moment) {
  std::tm local{};
  localtime_r(&moment, &local);
  return local.tm_gmtoff;
}

} // namespace platform
