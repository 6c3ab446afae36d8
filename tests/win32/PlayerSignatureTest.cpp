// The publisher-signature check on Windows (CNG), against keys and signatures that the stock
// openssl command made when the suite was built: the same verdicts, with the same reasons, as
// the check on Linux.
#include "platform/PlayerSignature.h"

#include "SignatureCases.h"
#include "Win32Process.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace wintest;
namespace fs = std::filesystem;

std::string Fixture(const char* name) {
  return ReadAll(fs::path(WinPath(std::string(KOLVARIN_SIGNATURE_FIXTURES "/") + name)));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST(WinPlayerSignature, OnlyTheUntouchedPlayerWithItsPublishersSignatureIsGood) {
  const testsupport::SignatureMaterial material{
      .player = Fixture("player.bin"),
      .signature = Fixture("player.sig"),
      .emptySignature = Fixture("empty.sig"),
      .publisherKey = Fixture("publisher.pem"),
      .privateKey = Fixture("publisher-key.pem"),
      .otherSignature = Fixture("other.sig"),
      .otherKey = Fixture("other.pem"),
      .p384Signature = Fixture("p384.sig"),
      .p384Key = Fixture("p384.pem"),
  };
  ASSERT_EQ(material.player.size(), 300000u);
  ASSERT_FALSE(material.signature.empty());
  TempFolder folder;
  const fs::path file = folder.Path() / "Kolvarin.exe.part";
  testsupport::ExpectSignatureVerdicts(material, file);

  // The system's own words say why the file could not be read.
  fs::remove(file);
  const platform::SignatureVerdict missing =
      platform::VerifyPlayerSignature(material.publisherKey, Utf8(file), material.signature);
  EXPECT_FALSE(missing.Good);
  EXPECT_EQ(missing.Reason.rfind("cannot read " + Utf8(file) + ": ", 0), 0u) << missing.Reason;
}

} // namespace
