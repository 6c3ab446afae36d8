// The platform's check of a detached publisher signature, against signatures made by the stock
// openssl command.
#include "platform/PlayerSignature.h"

#include "Signing.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const char* const Mismatch = "the signature does not match the file";
const char* const NotDer = "the signature is not a DER-encoded ECDSA signature";

class PlayerSignature : public testing::Test {
protected:
  static void SetUpTestSuite() {
    folder = new TempDir;
    publisher = MakeKeyPair(folder->Path(), "publisher");
    other = MakeKeyPair(folder->Path(), "other");
    p384 = MakeKeyPair(folder->Path(), "p384", "secp384r1");
    player = folder->Path() / "Kolvarin.exe";
    WriteBytes(player, PlayerBytes());
    signature = SignFile(publisher.privateKey, player);
  }
  static void TearDownTestSuite() {
    delete folder;
    folder = nullptr;
  }

  static inline TempDir* folder = nullptr;
  static inline PublisherKeyPair publisher, other, p384;
  static inline fs::path player;
  static inline std::string signature;
};

TEST_F(PlayerSignature, OnlyTheUntouchedPlayerWithItsPublishersSignatureIsGood) {
  ASSERT_FALSE(signature.empty());
  const std::string bytes = ReadBytes(player);
  const fs::path empty = folder->Path() / "empty.exe";
  WriteBytes(empty, "");
  // An encoding with a long-form length where DER allows only the short form.
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
      {"the publisher's signature", bytes, signature, publisher.publicPem, ""},
      {"an empty player, signed", "", SignFile(publisher.privateKey, empty), publisher.publicPem,
       ""},
      {"first byte of the player flipped", FlipByte(bytes, 0), signature, publisher.publicPem,
       Mismatch},
      {"a byte in the middle flipped", FlipByte(bytes, 100000), signature, publisher.publicPem,
       Mismatch},
      {"last byte of the player flipped", FlipByte(bytes, -1), signature, publisher.publicPem,
       Mismatch},
      {"one byte added", bytes + '\0', signature, publisher.publicPem, Mismatch},
      {"one byte cut", bytes.substr(0, bytes.size() - 1), signature, publisher.publicPem, Mismatch},
      {"a byte of the signature's number flipped", bytes, FlipByte(signature, -1),
       publisher.publicPem, Mismatch},
      {"the signature's tag flipped", bytes, FlipByte(signature, 0), publisher.publicPem, NotDer},
      {"signed by another key", bytes, SignFile(other.privateKey, player), publisher.publicPem,
       Mismatch},
      {"checked with another key", bytes, signature, other.publicPem, Mismatch},
      {"an empty signature", bytes, "", publisher.publicPem, "the signature is empty"},
      {"the signature cut by one byte", bytes, signature.substr(0, signature.size() - 1),
       publisher.publicPem, NotDer},
      {"half a signature", bytes, signature.substr(0, signature.size() / 2), publisher.publicPem,
       NotDer},
      {"a byte after the signature", bytes, signature + '\0', publisher.publicPem, NotDer},
      {"a 1 MiB signature", bytes, signature + std::string((1 << 20) - signature.size(), 'A'),
       publisher.publicPem, NotDer},
      {"a long-form length", bytes, longForm, publisher.publicPem, NotDer},
      {"text instead of a signature", bytes, "signed, the publisher", publisher.publicPem, NotDer},
      {"a P-384 key and its own signature", bytes, SignFile(p384.privateKey, player),
       p384.publicPem, "the key is not an ECDSA P-256 key"},
      {"the private key given as the key", bytes, signature, ReadBytes(publisher.privateKey),
       "the key is not a PEM public key"},
      {"no key", bytes, signature, "", "the key is not a PEM public key"},
      {"no player file", std::nullopt, signature, publisher.publicPem,
       "cannot read " + (folder->Path() / "case.exe").string() + ": No such file or directory"},
  };
  const fs::path file = folder->Path() / "case.exe";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(file);
    if (c.player)
      WriteBytes(file, *c.player);
    const platform::SignatureVerdict verdict =
        platform::VerifyPlayerSignature(c.key, file.string(), c.signature);
    EXPECT_EQ(verdict.Good, c.reason.empty());
    EXPECT_EQ(verdict.Reason, c.reason);
  }
}

} // namespace
