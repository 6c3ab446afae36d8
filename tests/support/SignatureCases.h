#pragma once

// The verdicts of the platform's publisher-signature check, one table for both systems: the
// same verdict, with the same reason, for every case. Each system's test brings the keys and
// signatures, all made by the stock openssl command.

#include "platform/PlayerSignature.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace testsupport {

struct SignatureMaterial {
  std::string player;         // a player-sized file's bytes
  std::string signature;      // the publisher's signature of them
  std::string emptySignature; // the publisher's signature of an empty file
  std::string publisherKey;   // the publisher's public key, PEM
  std::string privateKey;     // and its private half, PEM
  std::string otherSignature; // another P-256 key's signature of the player
  std::string otherKey;       // and that key, PEM
  std::string p384Signature;  // a P-384 key's signature of the player
  std::string p384Key;        // and that key, PEM
};

// Checks each case with the player written to `file` (a fresh name in a folder of the test's).
inline void ExpectSignatureVerdicts(const SignatureMaterial& m, const std::filesystem::path& file) {
  const char* const Mismatch = "the signature does not match the file";
  const char* const NotDer = "the signature is not a DER-encoded ECDSA signature";
  const char* const NotP256 = "the key is not an ECDSA P-256 key";
  const char* const NotPem = "the key is not a PEM public key";
  auto flip = [](std::string bytes, long at) {
    const std::size_t index = at < 0 ? bytes.size() + at : static_cast<std::size_t>(at);
    bytes.at(index) = static_cast<char>(bytes.at(index) ^ 0x01);
    return bytes;
  };
  const std::string& player = m.player;
  const std::string& signature = m.signature;
  const std::string& key = m.publisherKey;
  // An encoding with a long-form length where DER allows only the short form.
  std::string longForm = signature;
  longForm.insert(1, 1, '\x81');

  struct Case {
    const char* what;
    std::string player;
    std::string signature;
    std::string key;
    std::string reason; // empty: good
  };
  const Case cases[] = {
      {"the publisher's signature", player, signature, key, ""},
      {"an empty player, signed", "", m.emptySignature, key, ""},
      {"first byte of the player flipped", flip(player, 0), signature, key, Mismatch},
      {"a byte in the middle flipped", flip(player, 100000), signature, key, Mismatch},
      {"last byte of the player flipped", flip(player, -1), signature, key, Mismatch},
      {"one byte added", player + '\0', signature, key, Mismatch},
      {"one byte cut", player.substr(0, player.size() - 1), signature, key, Mismatch},
      {"a byte of the signature's number flipped", player, flip(signature, -1), key, Mismatch},
      {"the signature's tag flipped", player, flip(signature, 0), key, NotDer},
      {"signed by another key", player, m.otherSignature, key, Mismatch},
      {"checked with another key", player, signature, m.otherKey, Mismatch},
      {"an empty signature", player, "", key, "the signature is empty"},
      {"the signature cut by one byte", player, signature.substr(0, signature.size() - 1), key,
       NotDer},
      {"half a signature", player, signature.substr(0, signature.size() / 2), key, NotDer},
      {"a byte after the signature", player, signature + '\0', key, NotDer},
      {"a 1 MiB signature", player, signature + std::string((1 << 20) - signature.size(), 'A'), key,
       NotDer},
      {"a long-form length", player, longForm, key, NotDer},
      {"text instead of a signature", player, "signed, the publisher", key, NotDer},
      {"a P-384 key", player, signature, m.p384Key, NotP256},
      {"a P-384 key and its own signature", player, m.p384Signature, m.p384Key, NotP256},
      {"the private key given as the key", player, signature, m.privateKey, NotPem},
      {"no key", player, signature, "", NotPem},
  };
  const std::u8string name = file.u8string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(file);
    std::ofstream(file, std::ios::binary) << c.player;
    const platform::SignatureVerdict verdict =
        platform::VerifyPlayerSignature(c.key, std::string(name.begin(), name.end()), c.signature);
    EXPECT_EQ(verdict.Good, c.reason.empty());
    EXPECT_EQ(verdict.Reason, c.reason);
  }
}

} // namespace testsupport
