#pragma once

#include <optional>
#include <string>

namespace tools {

// kolvarin-tool verify --key KEY FILE SIG
int RunVerify(int argc, char** argv);

// The text of the public key file `path`, or nothing (with a message on standard error) when
// it cannot be read or is too long to be a key.
std::optional<std::string> ReadKeyFile(const std::string& path, const char* command);

// After `file` was downloaded from `url` (where the redirects ended): fetches url + ".sig" and
// checks `file` against it as the updater does, printing "good" (0) or "bad: REASON" (1); a bad
// file is removed.
int CheckDownloadedFile(const std::string& publicKeyPem, const std::string& url,
                        const std::string& file);

} // namespace tools
