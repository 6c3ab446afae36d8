#pragma once

namespace platform::posix {

// Tells OpenSSL, before anything else in the process uses it, to leave its global state to the
// process's end instead of freeing it from an atexit handler. A download worker lets itself go
// when its transfer ends, so its thread may still be ending (its own OpenSSL state freed by the
// thread's destructors) while the program returns from main: the two frees raced and corrupted
// the heap after an https transfer. Each entry point that may be the first to use OpenSSL (the
// version check's TLS, the download library's start, the signature check) calls this first.
// Idempotent; thread-safe.
void LeaveOpenSslStateAtExit() noexcept;

} // namespace platform::posix
