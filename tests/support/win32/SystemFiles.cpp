#include "SystemFiles.h"

namespace testsupport {

// Windows keeps only a read-only flag, and no rename exchanges two names.
SystemFileAbilities SystemFiles() {
  return {false, false};
}

} // namespace testsupport
