#pragma once

// The pieces of the socket library the systems share: one socket function bound by name on its
// first use, the loaded library it is bound from, and the stub failure it reports; with the
// calls each system makes to load, bind and start its library.

#include "platform/SocketLibrary.h"

#include <cstdint>
#include <string>

namespace platform::ws::detail {

// The loaded library, or nothing before LoadLibrary succeeded.
void* LoadedLibrary();
// Tells the stub handler, then leaves `code` as the last error.
void StubFailure(const char* function, int code, const std::string& text);

// Per system: opens the library (nothing with `failure` filled when it cannot), finds a
// function in it (nothing with `why` filled), and closes it at exit.
void* OpenSystemLibrary(LoadFailure& failure);
void* FindSystemFunction(void* library, const char* name, std::string& why);
void CloseSystemLibrary(void* library);
// Per system: starts the loaded library for `version` (0, or an error code) and ends it.
int StartSystemLibrary(std::uint16_t version);
int CleanupSystemLibrary();

// One socket function, looked up by name on its first call and kept.
template <typename Fn> class Entry {
public:
  explicit constexpr Entry(const char* name) : m_name(name) {}

  Fn Get() {
    if (m_function)
      return m_function;
    void* library = LoadedLibrary();
    if (!library) {
      StubFailure(m_name, WSANOTINITIALISED, "the socket library is not loaded");
      return nullptr;
    }
    std::string why;
    void* address = FindSystemFunction(library, m_name, why);
    if (!address) {
      StubFailure(m_name, ErrorProcNotFound, why);
      return nullptr;
    }
    m_function = reinterpret_cast<Fn>(address);
    return m_function;
  }

private:
  const char* m_name;
  Fn m_function = nullptr;
};

} // namespace platform::ws::detail
