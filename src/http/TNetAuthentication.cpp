#include "http/TNetAuthentication.h"

#include "platform/Text.h"

#include <mutex>
#include <utility>
#include <vector>

namespace http {

namespace {

struct Registry {
  std::mutex lock;
  std::vector<std::pair<std::string, TNetAuthenticationClass>> schemes{
      {"Basic", [] { return std::make_unique<TNetBasicAuthentication>(); }}};
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

} // namespace

std::string EncodeBase64(std::string_view bytes) {
  static constexpr char Alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    encoded += Alphabet[(v >> 18) & 63];
    encoded += Alphabet[(v >> 12) & 63];
    encoded += Alphabet[(v >> 6) & 63];
    encoded += Alphabet[v & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2)
      v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    encoded += Alphabet[(v >> 18) & 63];
    encoded += Alphabet[(v >> 12) & 63];
    encoded += rest == 2 ? Alphabet[(v >> 6) & 63] : '=';
    encoded += '=';
  }
  return encoded;
}

std::string TNetBasicAuthentication::Authentication() {
  m_currentStep = Steps();
  return "Basic " + EncodeBase64(Username + ":" + Password);
}

void RegisterAuthenticationMethod(const std::string& scheme, TNetAuthenticationClass create) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  for (auto& [name, existing] : registry.schemes) {
    if (platform::SameText(name, scheme)) {
      existing = std::move(create);
      return;
    }
  }
  registry.schemes.emplace_back(scheme, std::move(create));
}

TNetAuthenticationClass FindAuthClass(std::string_view scheme) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  for (const auto& [name, create] : registry.schemes) {
    if (platform::SameText(name, scheme))
      return create;
  }
  return {};
}

} // namespace http
