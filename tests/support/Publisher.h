#pragma once

#include "ChildProcess.h"
#include "TempDir.h"

#include <memory>
#include <optional>
#include <string>

namespace testsupport {

// nginx on 127.0.0.3:80 (www.kolvarin.example in the private network of scripts/test) serving
// the publisher's files: the version file, the player and its signature under
// /programlar/radyo/; also over https on 443 with the tests' certificate when scripts/test made
// one (KOLVARIN_TEST_TLS). `rate` throttles the player's download ("0": no limit, "100k": 100 KiB/s).
class Publisher {
public:
  // A file given as nothing is missing on the server (404).
  Publisher(const std::optional<std::string>& version, const std::optional<std::string>& player,
            const std::string& rate = "0",
            const std::optional<std::string>& signature = std::nullopt);
  ~Publisher();
  Publisher(const Publisher&) = delete;
  Publisher& operator=(const Publisher&) = delete;

  std::string AccessLog() const;

private:
  TempDir m_dir;
  std::unique_ptr<ChildProcess> m_nginx;
};

} // namespace testsupport
