#pragma once

#include "platform/SocketLibrary.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace net {

using platform::ws::TSocket;

// The process-wide socket stack: starts the socket library (once per process), resolves host
// names and turns socket error codes into exceptions with fixed texts. Exactly one instance,
// SharedStack(), lives while any transport component does.
class TNetStack {
public:
  // Starts the socket library unless an earlier stack already did.
  TNetStack();
  TNetStack(const TNetStack&) = delete;
  TNetStack& operator=(const TNetStack&) = delete;

  // "localhost" in any case is 127.0.0.1 without a lookup, a dotted quad is used as it is,
  // anything else goes to the C library's IPv4 resolver (a failure raises ENetSocketError).
  std::string ResolveHostName(const std::string& host);

  // Cut at the first three dots into four parts (the last takes the rest), each an integer
  // from 0 to 255.
  static bool IsDottedQuad(std::string_view text);

  // False when `result` is not -1. Otherwise the library's error code becomes LastError(); true
  // when it is one of `ignored`, else it is raised.
  bool CheckSocketResult(int result, std::initializer_list<int> ignored = {});

  // Raises ENetSocketError with `code` and its text.
  [[noreturn]] static void RaiseSocketFailure(int code);

  // "Socket Error # <code>" CR LF and the code's text (empty for codes without one).
  static std::string TranslateSocketError(int code);

  // The four bytes of a dotted address; a part that is not an integer raises EConvertError.
  static std::array<std::uint8_t, 4> AddressFromText(std::string_view text);
  static std::string AddressToText(const std::array<std::uint8_t, 4>& address);

  // Fetches the library's last error code and keeps it as LastError().
  int FetchLastError();
  int LastError() const noexcept { return m_lastError; }

private:
  int m_lastError = 0;
};

// The shared stack, or null while no transport component exists.
TNetStack* SharedStack() noexcept;

// Kept by every transport component: the first creates the shared stack, the last destroys it.
void AcquireSharedStack();
void ReleaseSharedStack() noexcept;

// How many times the socket library has been started in this process.
int LibraryStartCount() noexcept;

// Installs the handler that raises ENetWS2StubError for socket functions that cannot be
// called. Idempotent.
void InstallStubErrorHandler();

} // namespace net
