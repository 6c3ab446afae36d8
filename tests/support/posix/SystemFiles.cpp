#include "SystemFiles.h"

namespace testsupport {

// Linux's file systems keep the bits and exchange names with renameat2.
SystemFileAbilities SystemFiles() {
  return {true, true};
}

} // namespace testsupport
