#pragma once

#include <string>
#include <string_view>

namespace platform {

// The outcome of a signature check: good, or the reason it is not.
struct SignatureVerdict {
  bool Good = false;
  std::string Reason;
};

// Checks that `signature` is a DER-encoded ECDSA P-256 signature over the SHA-256 digest of the
// bytes of the file `fileName`, made with the private half of `publicKeyPem` (a PEM "PUBLIC
// KEY", the key's SubjectPublicKeyInfo). Each platform does it with its own crypto library;
// nothing is raised, every failure is a verdict with its reason.
SignatureVerdict VerifyPlayerSignature(std::string_view publicKeyPem, const std::string& fileName,
                                       std::string_view signature);

} // namespace platform
