#include "platform/SocketLibrary.h"

#include "platform/SocketEntry.h"

#include <bit>

namespace platform::ws {

namespace {

void* g_library = nullptr;
bool g_started = false;
StubFailureHandler g_stubHandler = nullptr;
thread_local int t_lastError = 0;

struct LibraryCleanup {
  ~LibraryCleanup() {
    if (g_started)
      WSACleanup();
    if (g_library)
      detail::CloseSystemLibrary(g_library);
  }
} s_cleanup;

} // namespace

namespace detail {

void* LoadedLibrary() {
  return g_library;
}

void StubFailure(const char* function, int code, const std::string& text) {
  if (g_stubHandler)
    g_stubHandler(function, code, text);
  t_lastError = code;
}

} // namespace detail

std::optional<LoadFailure> LoadLibrary() {
  if (g_library)
    return std::nullopt;
  LoadFailure failure;
  g_library = detail::OpenSystemLibrary(failure);
  if (g_library)
    return std::nullopt;
  return failure;
}

bool LibraryLoaded() {
  return g_library != nullptr;
}

int WSAStartup(std::uint16_t version) {
  if (!g_library)
    return WSANOTINITIALISED;
  if (g_started)
    return 0;
  const int result = detail::StartSystemLibrary(version);
  g_started = result == 0;
  return result;
}

bool LibraryStarted() {
  return g_started;
}

int WSACleanup() {
  if (!g_started)
    return 0;
  g_started = false;
  return detail::CleanupSystemLibrary();
}

void SetStubFailureHandler(StubFailureHandler handler) {
  g_stubHandler = handler;
}

bool BindFunction(const char* function) {
  detail::Entry<void (*)()> entry(function);
  return entry.Get() != nullptr;
}

int WSAGetLastError() {
  return t_lastError;
}

void WSASetLastError(int code) {
  t_lastError = code;
}

std::uint16_t Htons(std::uint16_t value) {
  if constexpr (std::endian::native == std::endian::big)
    return value;
  return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

std::uint16_t Ntohs(std::uint16_t value) {
  return Htons(value);
}

} // namespace platform::ws
