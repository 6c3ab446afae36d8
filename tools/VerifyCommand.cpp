#include "tools/VerifyCommand.h"

#include "app/PlayerSignatureCheck.h"
#include "platform/FileOperations.h"

#include <cstdio>
#include <fstream>

namespace tools {

namespace {

const char* const Help =
    "usage: kolvarin-tool verify --key KEY FILE SIG\n"
    "\n"
    "Checks FILE against its detached signature SIG with the publisher's public key KEY (PEM),\n"
    "exactly as an updater built with that key checks a downloaded player: SIG must be a\n"
    "DER-encoded ECDSA P-256 signature over the SHA-256 digest of FILE, of at most 4096 bytes,\n"
    "as made by\n"
    "  openssl dgst -sha256 -sign publisher-key.pem -out FILE.sig FILE\n"
    "Prints \"good\" and exits 0, or \"bad: REASON\" and exits 1.\n";

// A PEM public key takes a few hundred bytes.
constexpr std::size_t MaxKeySize = 64 * 1024;

void PrintVerdict(const platform::SignatureVerdict& verdict) {
  if (verdict.Good)
    std::printf("good\n");
  else
    std::printf("bad: %s\n", verdict.Reason.c_str());
  std::fflush(stdout);
}

} // namespace

std::optional<std::string> ReadKeyFile(const std::string& path, const char* command) {
  std::ifstream file(path, std::ios::binary);
  std::string key(MaxKeySize + 1, '\0');
  if (file)
    file.read(key.data(), static_cast<std::streamsize>(key.size()));
  if (!file && !file.eof()) {
    std::fprintf(stderr, "kolvarin-tool %s: cannot read the key '%s'\n", command, path.c_str());
    return std::nullopt;
  }
  key.resize(static_cast<std::size_t>(file.gcount()));
  if (key.size() > MaxKeySize) {
    std::fprintf(stderr, "kolvarin-tool %s: '%s' is too long to be a key\n", command, path.c_str());
    return std::nullopt;
  }
  return key;
}

int RunVerify(int argc, char** argv) {
  std::string keyPath;
  std::string file;
  std::string signature;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(Help, stdout);
      return 0;
    }
    if (arg == "--key" && i + 1 < argc)
      keyPath = argv[++i];
    else if (file.empty())
      file = arg;
    else if (signature.empty())
      signature = arg;
    else {
      std::fprintf(stderr, "kolvarin-tool verify: unexpected argument '%s'\n\n%s", arg.c_str(),
                   Help);
      return 2;
    }
  }
  if (keyPath.empty() || file.empty() || signature.empty()) {
    std::fputs(Help, stderr);
    return 2;
  }
  const std::optional<std::string> key = ReadKeyFile(keyPath, "verify");
  if (!key)
    return 2;
  const platform::SignatureVerdict verdict = app::VerifySignatureFile(*key, file, signature);
  PrintVerdict(verdict);
  return verdict.Good ? 0 : 1;
}

int CheckDownloadedFile(const std::string& publicKeyPem, const std::string& url,
                        const std::string& file) {
  app::PlayerSignatureCheck check(publicKeyPem);
  check.WaitThread = true;
  platform::SignatureVerdict verdict;
  check.OnChecked = [&verdict](const platform::SignatureVerdict& checked) { verdict = checked; };
  check.Start(app::SignatureURL(url), file + ".sig", file);
  if (!verdict.Good)
    platform::SystemFileOperations().Remove(file);
  PrintVerdict(verdict);
  return verdict.Good ? 0 : 1;
}

} // namespace tools
