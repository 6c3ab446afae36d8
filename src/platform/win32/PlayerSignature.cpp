#include "platform/PlayerSignature.h"

#include "platform/win32/Unicode.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <bcrypt.h>
#include <optional>
#include <vector>
#include <wincrypt.h>

namespace platform {

namespace {

constexpr std::size_t CoordinateSize = 32; // P-256

// The object identifiers a P-256 SubjectPublicKeyInfo names: id-ecPublicKey and, as the
// algorithm's parameter (an encoded OID), prime256v1.
constexpr const char* EcPublicKeyOid = "1.2.840.10045.2.1";
constexpr std::array<BYTE, 10> P256Parameter = {0x06, 0x08, 0x2a, 0x86, 0x48,
                                                0xce, 0x3d, 0x03, 0x01, 0x07};

SignatureVerdict Bad(std::string reason) { return {false, std::move(reason)}; }

class Algorithm {
public:
  explicit Algorithm(const wchar_t* name) {
    if (BCryptOpenAlgorithmProvider(&m_handle, name, nullptr, 0) != 0)
      m_handle = nullptr;
  }
  ~Algorithm() {
    if (m_handle)
      BCryptCloseAlgorithmProvider(m_handle, 0);
  }
  Algorithm(const Algorithm&) = delete;
  Algorithm& operator=(const Algorithm&) = delete;
  BCRYPT_ALG_HANDLE Get() const { return m_handle; }

private:
  BCRYPT_ALG_HANDLE m_handle = nullptr;
};

class KeyHandle {
public:
  KeyHandle() = default;
  ~KeyHandle() {
    if (m_handle)
      BCryptDestroyKey(m_handle);
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  BCRYPT_KEY_HANDLE* Out() { return &m_handle; }
  BCRYPT_KEY_HANDLE Get() const { return m_handle; }

private:
  BCRYPT_KEY_HANDLE m_handle = nullptr;
};

struct PublicKey {
  std::vector<BYTE> point; // the uncompressed point: 0x04, X, Y
  bool p256 = false;
};

// The SubjectPublicKeyInfo of a PEM "PUBLIC KEY", or nothing when the text is not one.
std::optional<PublicKey> ReadPublicKey(std::string_view pem) {
  const std::string_view begin = "-----BEGIN PUBLIC KEY-----";
  const std::string_view end = "-----END PUBLIC KEY-----";
  const std::size_t from = pem.find(begin);
  if (from == std::string_view::npos || pem.find(end, from) == std::string_view::npos)
    return std::nullopt;
  DWORD size = 0;
  const std::string text(pem.substr(from));
  if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                            CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
    return std::nullopt;
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                            CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
    return std::nullopt;
  CERT_PUBLIC_KEY_INFO* info = nullptr;
  DWORD infoSize = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(), size,
                           CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &infoSize))
    return std::nullopt;
  PublicKey key;
  const CRYPT_ALGORITHM_IDENTIFIER& algorithm = info->Algorithm;
  key.p256 = algorithm.pszObjId && std::string_view(algorithm.pszObjId) == EcPublicKeyOid &&
             algorithm.Parameters.cbData == P256Parameter.size() &&
             std::equal(P256Parameter.begin(), P256Parameter.end(), algorithm.Parameters.pbData) &&
             info->PublicKey.cbData == 1 + 2 * CoordinateSize && info->PublicKey.pbData[0] == 0x04;
  key.point.assign(info->PublicKey.pbData, info->PublicKey.pbData + info->PublicKey.cbData);
  LocalFree(info);
  return key;
}

// One DER length at `at`, in its one canonical form; advances `at`.
std::optional<std::size_t> ReadLength(std::string_view der, std::size_t& at) {
  if (at >= der.size())
    return std::nullopt;
  const auto first = static_cast<unsigned char>(der[at++]);
  if (first < 0x80)
    return first;
  const std::size_t digits = first & 0x7f;
  if (digits == 0 || digits > 2 || at + digits > der.size())
    return std::nullopt;
  std::size_t length = 0;
  for (std::size_t i = 0; i < digits; ++i)
    length = (length << 8) | static_cast<unsigned char>(der[at++]);
  // The long form only for lengths the short form cannot hold, without leading zero bytes.
  if (length < 0x80 || (digits == 2 && length < 0x100))
    return std::nullopt;
  return length;
}

// One non-negative DER INTEGER at `at` in its minimal form; its value's bytes, big-endian,
// without the sign byte.
std::optional<std::string_view> ReadInteger(std::string_view der, std::size_t& at) {
  if (at >= der.size() || der[at++] != 0x02)
    return std::nullopt;
  const std::optional<std::size_t> length = ReadLength(der, at);
  if (!length || *length == 0 || at + *length > der.size())
    return std::nullopt;
  std::string_view value = der.substr(at, *length);
  at += *length;
  const auto first = static_cast<unsigned char>(value[0]);
  if (first & 0x80)
    return std::nullopt; // negative
  if (first == 0 && value.size() > 1) {
    if (!(static_cast<unsigned char>(value[1]) & 0x80))
      return std::nullopt; // a leading zero that no sign needs
    value.remove_prefix(1);
  }
  return value;
}

enum class SignatureForm { Raw, NotDer, OutOfRange };

// The DER SEQUENCE of the two INTEGERs r and s as CNG wants them: r and s, each as 32
// big-endian bytes.
SignatureForm ToRawSignature(std::string_view der, std::array<BYTE, 2 * CoordinateSize>& raw) {
  std::size_t at = 0;
  if (der.empty() || der[at++] != 0x30)
    return SignatureForm::NotDer;
  const std::optional<std::size_t> length = ReadLength(der, at);
  if (!length || at + *length != der.size())
    return SignatureForm::NotDer;
  const std::optional<std::string_view> r = ReadInteger(der, at);
  const std::optional<std::string_view> s = r ? ReadInteger(der, at) : std::nullopt;
  if (!s || at != der.size())
    return SignatureForm::NotDer;
  // Numbers wider than the curve's order are well-formed but can sign nothing.
  if (r->size() > CoordinateSize || s->size() > CoordinateSize)
    return SignatureForm::OutOfRange;
  raw.fill(0);
  std::copy(r->begin(), r->end(), raw.begin() + (CoordinateSize - r->size()));
  std::copy(s->begin(), s->end(), raw.begin() + (2 * CoordinateSize - s->size()));
  return SignatureForm::Raw;
}

std::string CannotRead(const std::string& fileName) {
  return "cannot read " + fileName + ": " + win32::SystemErrorText(GetLastError());
}

} // namespace

SignatureVerdict VerifyPlayerSignature(std::string_view publicKeyPem, const std::string& fileName,
                                       std::string_view signature) {
  const std::optional<PublicKey> key = ReadPublicKey(publicKeyPem);
  if (!key)
    return Bad("the key is not a PEM public key");
  if (!key->p256)
    return Bad("the key is not an ECDSA P-256 key");
  if (signature.empty())
    return Bad("the signature is empty");
  std::array<BYTE, 2 * CoordinateSize> raw{};
  const SignatureForm form = ToRawSignature(signature, raw);
  if (form == SignatureForm::NotDer)
    return Bad("the signature is not a DER-encoded ECDSA signature");

  const HANDLE file =
      CreateFileW(win32::LongPath(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return Bad(CannotRead(fileName));
  struct Closer {
    HANDLE handle;
    ~Closer() { CloseHandle(handle); }
  } closer{file};

  const Algorithm sha256(BCRYPT_SHA256_ALGORITHM);
  const Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!sha256.Get() || !ecdsa.Get() ||
      BCryptCreateHash(sha256.Get(), &hash, nullptr, 0, nullptr, 0, 0) != 0)
    return Bad("the crypto library cannot check signatures");
  struct HashCloser {
    BCRYPT_HASH_HANDLE handle;
    ~HashCloser() { BCryptDestroyHash(handle); }
  } hashCloser{hash};
  std::vector<BYTE> chunk(64 * 1024);
  while (true) {
    DWORD count = 0;
    if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &count, nullptr))
      return Bad(CannotRead(fileName));
    if (count == 0)
      break;
    if (BCryptHashData(hash, chunk.data(), count, 0) != 0)
      return Bad("the crypto library cannot check signatures");
  }
  std::array<BYTE, 32> digest{};
  if (BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0) != 0)
    return Bad("the crypto library cannot check signatures");
  if (form == SignatureForm::OutOfRange)
    return Bad("the signature does not match the file");

  // The key as CNG takes it: a header, then X and Y.
  std::vector<BYTE> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 2 * CoordinateSize);
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, CoordinateSize};
  std::copy_n(reinterpret_cast<const BYTE*>(&header), sizeof header, blob.begin());
  std::copy(key->point.begin() + 1, key->point.end(), blob.begin() + sizeof header);
  KeyHandle imported;
  if (BCryptImportKeyPair(ecdsa.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, imported.Out(), blob.data(),
                          static_cast<ULONG>(blob.size()), 0) != 0)
    return Bad("the key is not an ECDSA P-256 key");
  const NTSTATUS result =
      BCryptVerifySignature(imported.Get(), nullptr, digest.data(),
                            static_cast<ULONG>(digest.size()), raw.data(),
                            static_cast<ULONG>(raw.size()), 0);
  if (result == 0)
    return {true, {}};
  return Bad("the signature does not match the file");
}

} // namespace platform
