#pragma once

// Publisher keys and signatures made by the stock openssl command, as a publisher makes them.

#include "ChildProcess.h"
#include "PlayerBytes.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace testsupport {

inline const char* const OpensslCommand = "/usr/bin/openssl";

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A key pair in `folder`: NAME-key.pem (private) and NAME.pem (public).
struct PublisherKeyPair {
  std::filesystem::path privateKey;
  std::filesystem::path publicKey;
  std::string publicPem;
};

// Made with: openssl ecparam -name CURVE -genkey -noout; openssl ec -pubout.
inline PublisherKeyPair MakeKeyPair(const std::filesystem::path& folder, const std::string& name,
                                    const std::string& curve = "prime256v1") {
  PublisherKeyPair keys{folder / (name + "-key.pem"), folder / (name + ".pem"), {}};
  const RunResult made = RunProgram(OpensslCommand, {"ecparam", "-name", curve, "-genkey", "-noout",
                                                     "-out", keys.privateKey.string()});
  EXPECT_TRUE(made.ExitedWith(0)) << made.err;
  const RunResult exported =
      RunProgram(OpensslCommand, {"ec", "-in", keys.privateKey.string(), "-pubout", "-out",
                                  keys.publicKey.string()});
  EXPECT_TRUE(exported.ExitedWith(0)) << exported.err;
  keys.publicPem = ReadBytes(keys.publicKey);
  return keys;
}

// The detached signature of `file`: openssl dgst -sha256 -sign KEY -out SIG FILE.
inline std::string SignFile(const std::filesystem::path& privateKey,
                            const std::filesystem::path& file) {
  const std::filesystem::path signature = file.string() + ".made.sig";
  const RunResult signedFile =
      RunProgram(OpensslCommand, {"dgst", "-sha256", "-sign", privateKey.string(), "-out",
                                  signature.string(), file.string()});
  EXPECT_TRUE(signedFile.ExitedWith(0)) << signedFile.err;
  std::string bytes = ReadBytes(signature);
  std::filesystem::remove(signature);
  return bytes;
}

// `bytes` with the byte at `index` (from the end when negative) changed.
inline std::string FlipByte(std::string bytes, long index) {
  const std::size_t at =
      index < 0 ? bytes.size() - static_cast<std::size_t>(-index) : static_cast<std::size_t>(index);
  bytes.at(at) = static_cast<char>(bytes.at(at) ^ 0x01);
  return bytes;
}

} // namespace testsupport
