// The C library's error numbers and resolver results as the socket library's codes: the socket
// library's stand-in on systems whose calls report errno.
#include "platform/SocketLibrary.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <netdb.h>

namespace {

TEST(ErrorCodes, ErrnoAndResolverFailuresMapToTheLibraryCodes) {
  namespace ws = platform::ws;
  const std::pair<int, int> errnos[] = {
      {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},  {ENETUNREACH, 10051},  {ECONNRESET, 10054},
      {EPIPE, 10058},        {EADDRINUSE, 10048}, {EHOSTUNREACH, 10065}, {EINTR, 10004},
      {EWOULDBLOCK, 10035},  {ENOTEMPTY, 10066},  {EMFILE, 10024},       {ECONNABORTED, 10053},
  };
  for (const auto& [error, code] : errnos)
    EXPECT_EQ(ws::ErrorCodeOfErrno(error), code) << error;
  EXPECT_EQ(ws::ErrorCodeOfResolver(EAI_NONAME, 0), 11001);
  EXPECT_EQ(ws::ErrorCodeOfResolver(EAI_AGAIN, 0), 11002);
  EXPECT_EQ(ws::ErrorCodeOfResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
}

} // namespace
