// The platform's check of a detached publisher signature, against keys and signatures made by
// the stock openssl command when the test runs.
#include "platform/PlayerSignature.h"

#include "SignatureCases.h"
#include "Signing.h"

#include <gtest/gtest.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

TEST(PlayerSignature, OnlyTheUntouchedPlayerWithItsPublishersSignatureIsGood) {
  const TempDir folder;
  const PublisherKeyPair publisher = MakeKeyPair(folder.Path(), "publisher");
  const PublisherKeyPair other = MakeKeyPair(folder.Path(), "other");
  const PublisherKeyPair p384 = MakeKeyPair(folder.Path(), "p384", "secp384r1");
  const fs::path player = folder.Path() / "Kolvarin.exe";
  WriteBytes(player, PlayerBytes());
  const fs::path empty = folder.Path() / "empty.exe";
  WriteBytes(empty, "");
  const SignatureMaterial material{
      .player = ReadBytes(player),
      .signature = SignFile(publisher.privateKey, player),
      .emptySignature = SignFile(publisher.privateKey, empty),
      .publisherKey = publisher.publicPem,
      .privateKey = ReadBytes(publisher.privateKey),
      .otherSignature = SignFile(other.privateKey, player),
      .otherKey = other.publicPem,
      .p384Signature = SignFile(p384.privateKey, player),
      .p384Key = p384.publicPem,
  };
  ASSERT_FALSE(material.signature.empty());
  const fs::path file = folder.Path() / "case.exe";
  ExpectSignatureVerdicts(material, file);

  fs::remove(file);
  const platform::SignatureVerdict missing =
      platform::VerifyPlayerSignature(material.publisherKey, file.string(), material.signature);
  EXPECT_FALSE(missing.Good);
  EXPECT_EQ(missing.Reason, "cannot read " + file.string() + ": No such file or directory");
}

} // namespace
