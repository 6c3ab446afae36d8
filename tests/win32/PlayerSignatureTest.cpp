// The publisher-signature check on Windows (CNG), against keys and signatures that the stock
// openssl command made when the suite was built: the same verdicts, with the same reasons, as
// the check on Linux.
#include "platform/PlayerSignature.h"

#include "Win32Process.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <fstream>
#include <optional>

namespace {

using namespace wintest;
namespace fs = std::filesystem;

const char* const Mismatch = "the signature does not match the file";
const char* const NotDer = "the signature is not a DER-encoded ECDSA signature";

std::string Fixture(const char* name) {
  return ReadAll(fs::path(WinPath(std::string(KOLVARIN_SIGNATURE_FIXTURES "/") + name)));
}

std::string Flip(std::string bytes, long at) {
  const std::size_t index = at < 0 ? bytes.size() + at : static_cast<std::size_t>(at);
  bytes[index] = static_cast<char>(bytes[index] ^ 0x01);
  return bytes;
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST(WinPlayerSignature, OnlyTheUntouchedPlayerWithItsPublishersSignatureIsGood) {
  const std::string player = Fixture("player.bin");
  const std::string signature = Fixture("player.sig");
  const std::string publisher = Fixture("publisher.pem");
  ASSERT_EQ(player.size(), 300000u);
  ASSERT_FALSE(signature.empty());
  std::string longForm = signature;
  longForm.insert(1, 1, '\x81');

  struct Case {
    const char* what;
    std::optional<std::string> player; // nothing: no file
    std::string signature;
    std::string key;
    std::string reason; // empty: good
  };
  const Case cases[] = {
      {"the publisher's signature", player, signature, publisher, ""},
      {"first byte of the player flipped", Flip(player, 0), signature, publisher, Mismatch},
      {"last byte of the player flipped", Flip(player, -1), signature, publisher, Mismatch},
      {"one byte added", player + '\0', signature, publisher, Mismatch},
      {"a byte of the signature's number flipped", player, Flip(signature, -1), publisher,
       Mismatch},
      {"the signature's tag flipped", player, Flip(signature, 0), publisher, NotDer},
      {"signed by another key", player, Fixture("other.sig"), publisher, Mismatch},
      {"checked with another key", player, signature, Fixture("other.pem"), Mismatch},
      {"an empty signature", player, "", publisher, "the signature is empty"},
      {"the signature cut by one byte", player, signature.substr(0, signature.size() - 1),
       publisher, NotDer},
      {"a byte after the signature", player, signature + '\0', publisher, NotDer},
      {"a long-form length", player, longForm, publisher, NotDer},
      {"text instead of a signature", player, "signed, the publisher", publisher, NotDer},
      {"a P-384 key", player, signature, Fixture("p384.pem"), "the key is not an ECDSA P-256 key"},
      {"the private key given as the key", player, signature, Fixture("publisher-key.pem"),
       "the key is not a PEM public key"},
      {"no key", player, signature, "", "the key is not a PEM public key"},
  };
  TempFolder folder;
  const fs::path file = folder.Path() / "Kolvarin.exe.part";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(file);
    if (c.player)
      Write(file, *c.player);
    const platform::SignatureVerdict verdict =
        platform::VerifyPlayerSignature(c.key, Utf8(file), c.signature);
    EXPECT_EQ(verdict.Good, c.reason.empty());
    EXPECT_EQ(verdict.Reason, c.reason);
  }
  fs::remove(file);
  const platform::SignatureVerdict missing =
      platform::VerifyPlayerSignature(publisher, Utf8(file), signature);
  EXPECT_FALSE(missing.Good);
  EXPECT_EQ(missing.Reason.rfind("cannot read " + Utf8(file) + ": ", 0), 0u) << missing.Reason;
}

} // namespace
