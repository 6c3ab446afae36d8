#include "platform/PlayerSignature.h"
#include "platform/posix/OpenSslAtExit.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <openssl/bio.h>
#include <openssl/ecdsa.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <unistd.h>

namespace platform {

namespace {

template <auto Free> struct Deleter {
  template <typename T> void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Deleter<BIO_free>>;
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX_free>>;
using EcdsaSignature = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG_free>>;

class FileHandle {
public:
  explicit FileHandle(const std::string& name) : m_fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~FileHandle() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int Fd() const { return m_fd; }

private:
  int m_fd;
};

SignatureVerdict Bad(std::string reason) {
  // The library's error queue belongs to the thread; nothing of this check may stay in it.
  ERR_clear_error();
  return {false, std::move(reason)};
}

Key ReadPublicKey(std::string_view pem) {
  Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio)
    return nullptr;
  return Key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
}

bool IsP256(EVP_PKEY* key) {
  if (!EVP_PKEY_is_a(key, "EC"))
    return false;
  std::array<char, 64> group{};
  std::size_t length = 0;
  if (EVP_PKEY_get_group_name(key, group.data(), group.size(), &length) != 1)
    return false;
  return std::string_view(group.data(), length) == "prime256v1";
}

// A DER SEQUENCE of two INTEGERs and nothing after it.
bool IsDerEcdsaSignature(std::string_view signature) {
  const auto* begin = reinterpret_cast<const unsigned char*>(signature.data());
  const unsigned char* next = begin;
  EcdsaSignature parsed(d2i_ECDSA_SIG(nullptr, &next, static_cast<long>(signature.size())));
  return parsed && next == begin + signature.size();
}

} // namespace

SignatureVerdict VerifyPlayerSignature(std::string_view publicKeyPem, const std::string& fileName,
                                       std::string_view signature) {
  posix::LeaveOpenSslStateAtExit();
  const Key key = ReadPublicKey(publicKeyPem);
  if (!key)
    return Bad("the key is not a PEM public key");
  if (!IsP256(key.get()))
    return Bad("the key is not an ECDSA P-256 key");
  if (signature.empty())
    return Bad("the signature is empty");
  if (!IsDerEcdsaSignature(signature))
    return Bad("the signature is not a DER-encoded ECDSA signature");

  const FileHandle file(fileName);
  if (file.Fd() < 0)
    return Bad("cannot read " + fileName + ": " + std::strerror(errno));
  const DigestContext context(EVP_MD_CTX_new());
  if (!context ||
      EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1)
    return Bad("the crypto library cannot check signatures");
  std::array<unsigned char, 64 * 1024> chunk{};
  while (true) {
    const ssize_t count = ::read(file.Fd(), chunk.data(), chunk.size());
    if (count < 0 && errno == EINTR)
      continue;
    if (count < 0)
      return Bad("cannot read " + fileName + ": " + std::strerror(errno));
    if (count == 0)
      break;
    if (EVP_DigestVerifyUpdate(context.get(), chunk.data(), static_cast<std::size_t>(count)) != 1)
      return Bad("the crypto library cannot check signatures");
  }
  const int result = EVP_DigestVerifyFinal(
      context.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size());
  if (result == 1)
    return {true, {}};
  // A negative result is an encoding the library refuses: DER that is not in its one
  // canonical form.
  return Bad(result == 0 ? "the signature does not match the file"
                         : "the signature is not a DER-encoded ECDSA signature");
}

} // namespace platform
