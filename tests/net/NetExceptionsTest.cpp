#include "net/NetExceptions.h"

#include <gtest/gtest.h>
#include <type_traits>

namespace {

using namespace net;

TEST(NetExceptions, CarryTheirFixedMessages) {
  const std::pair<ENetException, std::string> cases[] = {
      {ENetConnClosedGracefully(), "Connection Closed Gracefully."},
      {ENetNotConnected(), "Not Connected"},
      {ENetNotEnoughDataInBuffer(), "Not enough data in buffer."},
      {ENetNoDataToRead(), "No data to read."},
      {ENetIOHandlerPropInvalid(), "IOHandler value is not valid"},
      {ENetCouldNotBindSocket(), "Could not bind socket. Address and port are already in use."},
      {ENetCanNotBindPortInRange(1000, 1010), "Can not bind in port range (1000 - 1010)"},
      {ENetInvalidPortRange(20, 10), "Invalid Port Range (20 - 10)"},
      {ENetStackInitializationFailed(), "Winsock Initialization Error."},
      {ENetStackSetSizeExceeded(), "Set Size Exceeded."},
      {ENetReadTimeout(), "Read Timeout"},
      {ENetReadLnMaxLineLengthExceeded(), "Max line length exceeded."},
      {ENetAlreadyConnected(), "Already connected."},
      {ENetClosedSocket(), "Disconnected."},
      {ENetInvalidSocket(), "Cannot allocate socket."},
  };
  for (const auto& [error, message] : cases)
    EXPECT_EQ(error.Message(), message);
}

TEST(NetExceptions, FormOneTreeWithTheGracefulCloseSilent) {
  static_assert(std::is_base_of_v<platform::Exception, ENetException>);
  static_assert(std::is_base_of_v<ENetSilentException, ENetConnClosedGracefully>);
  static_assert(std::is_base_of_v<ENetTCPConnectionError, ENetIOHandlerPropInvalid>);
  static_assert(std::is_base_of_v<ENetSocketHandleError, ENetInvalidPortRange>);
  static_assert(std::is_base_of_v<ENetStackError, ENetStackSetSizeExceeded>);
  const ENetSocketError error(10061, "m");
  EXPECT_EQ(error.LastError(), 10061);
  EXPECT_EQ(ENetProtocolReplyError(404, "x").ReplyCode(), 404);
}

TEST(NetExceptions, StubErrorJoinsTitleAndSystemText) {
  const ENetWS2StubError error("Error on call Winsock2 library function recv", 10093,
                               "the socket library is not loaded");
  EXPECT_EQ(error.Message(),
            "Error on call Winsock2 library function recv: the socket library is not loaded");
  EXPECT_EQ(error.Win32Error(), 10093);
  EXPECT_EQ(error.Title(), "Error on call Winsock2 library function recv");
}

} // namespace
