#pragma once

// The socket library the transport calls: IPv4 stream sockets with Winsock's conventions
// (results of -1, error codes such as 10061 from WSAGetLastError), over the C library's
// socket functions, each bound by name on its first call.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform::ws {

using TSocket = int;
inline constexpr TSocket InvalidSocket = -1;
inline constexpr int SocketError = -1;

inline constexpr int AddressFamilyInet = 2;
inline constexpr int SocketStream = 1;
inline constexpr int ShutdownSend = 1;
inline constexpr int LevelTcp = 6;
inline constexpr int OptionTcpNoDelay = 1;
// The wait that has no limit.
inline constexpr int WaitForever = -2;

// Error codes the layer above tests for by number.
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;
// A function the loaded library does not provide.
inline constexpr int ErrorProcNotFound = 127;

// The 16-byte IPv4 address record: family, port in network byte order, the four address
// bytes in order, eight zero bytes.
struct SockAddrIn {
  std::uint16_t sin_family = 0;
  std::uint16_t sin_port = 0;
  std::array<std::uint8_t, 4> sin_addr{};
  std::array<std::uint8_t, 8> sin_zero{};
};
static_assert(sizeof(SockAddrIn) == 16);

// The library that provides the socket functions (ws2_32.dll on Windows, the C library on
// Linux).
extern const char* const LibraryName;

struct LoadFailure {
  int code = 0;
  std::string systemText;
};

// Loads the library (once; later calls do nothing). Nothing on success.
std::optional<LoadFailure> LoadLibrary();
bool LibraryLoaded();
// Starts the library for use; 0 on success, else an error code. Requires version 2.2.
int WSAStartup(std::uint16_t version);
bool LibraryStarted();
int WSACleanup();

// Called when a socket function is used before the library is loaded (code
// WSANOTINITIALISED) or cannot be bound by name (ErrorProcNotFound). It may throw; when it
// returns, the call fails with -1 and that code as the last error. The layer above installs one
// that raises its stub exception.
using StubFailureHandler = void (*)(const char* function, int code, const std::string& systemText);
void SetStubFailureHandler(StubFailureHandler handler);
// Binds `function` by name now; false (after the stub handler) when it cannot be.
bool BindFunction(const char* function);

TSocket Socket(int family, int type, int protocol);
int Bind(TSocket socket, const SockAddrIn& address);
// Blocks until connected or failed.
int Connect(TSocket socket, const SockAddrIn& address);
// Connects without blocking longer than `timeoutMs`: -1 with WSAETIMEDOUT when it runs out.
int ConnectWithin(TSocket socket, const SockAddrIn& address, int timeoutMs);
int GetSockName(TSocket socket, SockAddrIn& address);
int GetPeerName(TSocket socket, SockAddrIn& address);
// 1 when the socket is readable (data, or the peer's close), 0 when `timeoutMs` passed first,
// -1 on error. WaitForever waits without limit.
int WaitReadable(TSocket socket, int timeoutMs);
int Recv(TSocket socket, void* buffer, int length, int flags);
// Never raises a signal when the peer has gone: that is the error WSAESHUTDOWN.
int Send(TSocket socket, const void* buffer, int length, int flags);
int Shutdown(TSocket socket, int how);
int CloseSocket(TSocket socket);
int SetSockOpt(TSocket socket, int level, int option, const void* value, int length);

// The first IPv4 address of `name`, or nothing with the lookup's code as the last error.
std::optional<std::array<std::uint8_t, 4>> GetHostByName(const char* name);

int WSAGetLastError();
void WSASetLastError(int code);

std::uint16_t Htons(std::uint16_t value);
std::uint16_t Ntohs(std::uint16_t value);

// The code of a C library errno value, and of a resolver result with its errno.
int ErrorCodeOfErrno(int error);
int ErrorCodeOfResolver(int result, int error);

} // namespace platform::ws
