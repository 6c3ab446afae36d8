#include "net/TNetSocketHandle.h"

#include "ScriptedServer.h"
#include "ServerSocket.h"
#include "net/NetExceptions.h"
#include "net/TNetComponent.h"

#include <gtest/gtest.h>

namespace {

using net::TNetSocketHandle;
namespace ws = platform::ws;

class SocketHandleTest : public testing::Test {
  net::TNetComponent m_keepStack;
};

TEST_F(SocketHandleTest, ReleasingTwiceClosesTheSocketOnce) {
  TNetSocketHandle handle;
  handle.AllocateHandle(ws::SocketStream, 0);
  const int fd = handle.Handle();
  handle.ReleaseHandle();
  EXPECT_FALSE(handle.Allocated());
  EXPECT_FALSE(testsupport::SocketOpen(fd));

  // The number is free again and goes to the next socket, which a second release must spare.
  const int other = testsupport::OpenStreamSocket();
  ASSERT_EQ(other, fd);
  handle.ReleaseHandle();
  EXPECT_TRUE(testsupport::SocketOpen(other));
  testsupport::CloseSocket(other);
}

TEST_F(SocketHandleTest, WithoutAPortRangeBindsOnceToThePortOrOneTheSystemPicks) {
  TNetSocketHandle handle;
  handle.AllocateHandle(ws::SocketStream, 0);
  handle.IP = "127.0.0.1";
  handle.BindLocal();
  EXPECT_EQ(handle.IP, "127.0.0.1");
  EXPECT_GT(handle.Port, 0);

  TNetSocketHandle clash;
  clash.AllocateHandle(ws::SocketStream, 0);
  clash.IP = "127.0.0.1";
  clash.Port = handle.Port;
  clash.ClientPortMin = 40000; // ignored: Port is set
  clash.ClientPortMax = 40010;
  try {
    clash.BindLocal();
    FAIL() << "no exception";
  } catch (const net::ENetCouldNotBindSocket& e) {
    EXPECT_STREQ(e.what(), "Could not bind socket. Address and port are already in use.");
  }
}

TEST_F(SocketHandleTest, APortRangeIsTriedFromTheTopDown) {
  TNetSocketHandle top;
  top.AllocateHandle(ws::SocketStream, 0);
  top.IP = "127.0.0.1";
  top.ClientPortMin = 41000;
  top.ClientPortMax = 41002;
  top.BindLocal();
  EXPECT_EQ(top.Port, 41002);

  TNetSocketHandle next;
  next.AllocateHandle(ws::SocketStream, 0);
  next.IP = "127.0.0.1";
  next.ClientPortMin = 41000;
  next.ClientPortMax = 41002;
  next.BindLocal();
  EXPECT_EQ(next.Port, 41001);
}

TEST_F(SocketHandleTest, PortRangeFailuresNameTheRange) {
  TNetSocketHandle holder;
  holder.AllocateHandle(ws::SocketStream, 0);
  holder.IP = "127.0.0.1";
  holder.ClientPortMin = holder.ClientPortMax = 41010;
  holder.BindLocal();

  TNetSocketHandle handle;
  handle.AllocateHandle(ws::SocketStream, 0);
  handle.IP = "127.0.0.1";
  handle.ClientPortMin = 41010;
  handle.ClientPortMax = 41010;
  EXPECT_THROW(
      {
        try {
          handle.BindLocal();
        } catch (const net::ENetCanNotBindPortInRange& e) {
          EXPECT_STREQ(e.what(), "Can not bind in port range (41010 - 41010)");
          throw;
        }
      },
      net::ENetCanNotBindPortInRange);

  handle.ClientPortMin = 41020;
  handle.ClientPortMax = 41011;
  EXPECT_THROW(
      {
        try {
          handle.BindLocal();
        } catch (const net::ENetInvalidPortRange& e) {
          EXPECT_STREQ(e.what(), "Invalid Port Range (41020 - 41011)");
          throw;
        }
      },
      net::ENetInvalidPortRange);
}

TEST_F(SocketHandleTest, ConnectReadsBackBothAddressesAndWaitsForData) {
  testsupport::ScriptedServer server({testsupport::Pause(200), testsupport::Send("hi")});
  TNetSocketHandle handle;
  handle.AllocateHandle(ws::SocketStream, 0);
  handle.BindLocal();
  handle.SetPeer("127.0.0.1", server.Port());

  ASSERT_EQ(handle.ConnectHandle(ws::AddressFamilyInet), 0);
  EXPECT_EQ(handle.IP, "127.0.0.1");
  EXPECT_GT(handle.Port, 0);
  EXPECT_EQ(handle.PeerPort(), server.Port());

  EXPECT_FALSE(handle.WaitReadable(0));
  EXPECT_TRUE(handle.WaitReadable(5000));
  char bytes[8];
  EXPECT_EQ(handle.Receive(bytes, sizeof bytes), 2);
}

TEST_F(SocketHandleTest, WaitingOnAReleasedHandleIsAGracefulClose) {
  TNetSocketHandle handle;
  EXPECT_THROW(handle.WaitReadable(0), net::ENetConnClosedGracefully);
}

} // namespace
