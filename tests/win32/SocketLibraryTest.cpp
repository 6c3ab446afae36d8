// The Windows socket layer: ws2_32.dll loaded and bound by name, and the codes it reports.
#include "platform/SocketLibrary.h"

#include "ScriptedServer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

namespace ws = platform::ws;
using namespace testsupport;

struct StubCall {
  std::string function;
  int code = 0;
};
std::vector<StubCall> g_stubCalls;

void RecordStub(const char* function, int code, const std::string&) {
  g_stubCalls.push_back({function, code});
}

ws::SockAddrIn Loopback(std::uint16_t port) {
  ws::SockAddrIn address;
  address.sin_family = ws::AddressFamilyInet;
  address.sin_port = ws::Htons(port);
  address.sin_addr = {127, 0, 0, 1};
  return address;
}

// Runs first in this program: nothing has loaded the library yet.
TEST(WinSocketLibrary, BeforeLoadingEveryCallFailsWithNotInitialised) {
  ASSERT_FALSE(ws::LibraryLoaded());
  g_stubCalls.clear();
  ws::SetStubFailureHandler(&RecordStub);
  EXPECT_EQ(ws::Socket(ws::AddressFamilyInet, ws::SocketStream, 0), ws::InvalidSocket);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSANOTINITIALISED);
  EXPECT_EQ(ws::WSAStartup(0x0202), ws::WSANOTINITIALISED);
  ASSERT_EQ(g_stubCalls.size(), 1u);
  EXPECT_EQ(g_stubCalls[0].function, "socket");
  EXPECT_EQ(g_stubCalls[0].code, 10093);
  ws::SetStubFailureHandler(nullptr);
}

TEST(WinSocketLibrary, LoadsWs2ByNameAndReportsAMissingFunctionAs127) {
  EXPECT_STREQ(ws::LibraryName, "ws2_32.dll");
  ASSERT_FALSE(ws::LoadLibrary().has_value());
  EXPECT_TRUE(ws::LibraryLoaded());
  EXPECT_FALSE(ws::LoadLibrary().has_value()) << "a second load changes nothing";
  ASSERT_EQ(ws::WSAStartup(0x0202), 0);
  EXPECT_TRUE(ws::LibraryStarted());

  g_stubCalls.clear();
  ws::SetStubFailureHandler(&RecordStub);
  EXPECT_TRUE(ws::BindFunction("recv"));
  EXPECT_FALSE(ws::BindFunction("recvNoSuchFunction"));
  ws::SetStubFailureHandler(nullptr);
  ASSERT_EQ(g_stubCalls.size(), 1u);
  EXPECT_EQ(g_stubCalls[0].function, "recvNoSuchFunction");
  EXPECT_EQ(g_stubCalls[0].code, ws::ErrorProcNotFound);
  EXPECT_EQ(ws::WSAGetLastError(), 127);
}

TEST(WinSocketLibrary, CodesComeStraightFromWinsock) {
  ASSERT_FALSE(ws::LoadLibrary().has_value());
  ASSERT_EQ(ws::WSAStartup(0x0202), 0);

  const ClosedPort closed;
  const std::uint16_t closedPort = closed.Port();
  ws::TSocket refused = ws::Socket(ws::AddressFamilyInet, ws::SocketStream, 0);
  ASSERT_NE(refused, ws::InvalidSocket);
  EXPECT_EQ(ws::Connect(refused, Loopback(closedPort)), ws::SocketError);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAECONNREFUSED);
  ws::CloseSocket(refused);

  ws::TSocket refusedWithin = ws::Socket(ws::AddressFamilyInet, ws::SocketStream, 0);
  EXPECT_EQ(ws::ConnectWithin(refusedWithin, Loopback(closedPort), 5000), ws::SocketError);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAECONNREFUSED);
  ws::CloseSocket(refusedWithin);

  EXPECT_FALSE(ws::GetHostByName("no-such-host.invalid").has_value());
  const int lookup = ws::WSAGetLastError();
  EXPECT_TRUE(lookup == ws::WSAHOST_NOT_FOUND || lookup == ws::WSATRY_AGAIN) << lookup;
  const auto loopback = ws::GetHostByName("127.0.0.1");
  ASSERT_TRUE(loopback.has_value());
  EXPECT_EQ((*loopback)[0], 127);
}

TEST(WinSocketLibrary, WaitReadableSeesDataAndTheEndOfTheTime) {
  ASSERT_FALSE(ws::LoadLibrary().has_value());
  ASSERT_EQ(ws::WSAStartup(0x0202), 0);
  ScriptedServer server({Pause(300), Send("x")});
  ws::TSocket socket = ws::Socket(ws::AddressFamilyInet, ws::SocketStream, 0);
  ASSERT_EQ(ws::Connect(socket, Loopback(server.Port())), 0);
  EXPECT_EQ(ws::WaitReadable(socket, 0), 0);
  EXPECT_EQ(ws::WaitReadable(socket, ws::WaitForever), 1);
  char byte = 0;
  EXPECT_EQ(ws::Recv(socket, &byte, 1, 0), 1);
  EXPECT_EQ(byte, 'x');
  ws::SockAddrIn peer;
  ASSERT_EQ(ws::GetPeerName(socket, peer), 0);
  EXPECT_EQ(ws::Ntohs(peer.sin_port), server.Port());
  ws::CloseSocket(socket);
}

} // namespace
