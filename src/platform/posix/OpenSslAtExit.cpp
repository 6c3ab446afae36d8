#include "platform/posix/OpenSslAtExit.h"

#include <openssl/crypto.h>

namespace platform::posix {

void LeaveOpenSslStateAtExit() noexcept {
  // Only the first initialisation decides whether the atexit handler is registered.
  static const bool initialised = OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr) == 1;
  (void)initialised;
}

} // namespace platform::posix
