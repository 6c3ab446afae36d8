#pragma once

#include "app/PublisherKey.h"
#include "download/THTTPFetch.h"
#include "platform/PlayerSignature.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace app {

// The most a signature may hold; an ECDSA P-256 signature in DER takes at most 72 bytes.
inline constexpr std::size_t MaxSignatureSize = 4096;
// Where the player's signature lands while it is checked.
inline constexpr const char* SignatureName = "Kolvarin.exe.sig";

// The address of a file's detached signature: the file's address with ".sig" added.
std::string SignatureURL(const std::string& fileURL);

// Checks the file `fileName` against the signature in the file `signatureFile` with the key
// `publicKeyPem`; a signature file longer than MaxSignatureSize is bad unread.
platform::SignatureVerdict VerifySignatureFile(std::string_view publicKeyPem,
                                               const std::string& fileName,
                                               const std::string& signatureFile);

// The last step of a download before the swap: fetches the downloaded file's detached signature
// with the download component, configured as for the player, and checks the file against it
// with the publisher's key. Without a key nothing is fetched and every file is good (unsigned
// updates). The file itself is left as it is whatever the verdict; a bad one is the caller's to
// remove.
class PlayerSignatureCheck {
public:
  using TOnCheckedEvent = std::function<void(const platform::SignatureVerdict& verdict)>;

  explicit PlayerSignatureCheck(std::string publicKeyPem = std::string(PublisherKey()))
      : m_key(std::move(publicKeyPem)) {}
  PlayerSignatureCheck(const PlayerSignatureCheck&) = delete;
  PlayerSignatureCheck& operator=(const PlayerSignatureCheck&) = delete;

  // Raised once per Start on the user-interface thread; without a key at once, inside Start.
  // The check is still on the stack then: the handler must not destroy it. A check destroyed
  // mid-fetch raises nothing and may leave a partial signature file behind.
  TOnCheckedEvent OnChecked;
  // Start returns only after OnChecked has run, dispatching events meanwhile.
  bool WaitThread = false;

  bool HasKey() const noexcept { return !m_key.empty(); }
  // Checks `fileName` against the signature at `signatureURL`, downloaded into `signatureFile`:
  // a file of that name is removed first (the download creates it fresh, never through a link)
  // and again after the check. Ignored while a check runs.
  void Start(const std::string& signatureURL, const std::string& signatureFile,
             const std::string& fileName);
  bool Running() const noexcept { return m_fetch.Running(); }

private:
  void Finish(const platform::SignatureVerdict& verdict);

  std::string m_key;
  std::string m_signatureFile;
  std::string m_fileName;
  download::THTTPFetch m_fetch;
};

} // namespace app
