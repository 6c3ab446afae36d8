#include "net/TNetStack.h"

#include "net/NetExceptions.h"
#include "net/TNetComponent.h"
#include "platform/SocketLibrary.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using net::TNetStack;

TEST(IsDottedQuad, AcceptsFourPartsFrom0To255) {
  const std::pair<const char*, bool> cases[] = {
      {"10.0.0.1", true},
      {"0.0.0.0", true},
      {"255.255.255.255", true},
      {"127.0.0.1", true},
      {"10.0.0", false},
      {"10.0.0.256", false},
      {"10.0.0.1.5", false},
      {"10.0..1", false},
      {"", false},
      {"a.b.c.d", false},
      {"10.0.0.-1", false},
      {"localhost", false},
      // Leading blanks are part of what converts to an integer; trailing ones are not.
      {" 10.0.0.1", true},
      {"10.0.0.1 ", false},
  };
  for (const auto& [text, dotted] : cases)
    EXPECT_EQ(TNetStack::IsDottedQuad(text), dotted) << text;
}

TEST(TranslateSocketError, FormatsTheCodeAndItsText) {
  const std::pair<int, const char*> cases[] = {
      {10061, "Socket Error # 10061\r\nConnection refused."},
      {11001, "Socket Error # 11001\r\nHost not found."},
      {10035, "Socket Error # 10035\r\nOperation would block. "},
      {10066, "Socket Error # 10066\r\nDirectory not empty"},
      {10060, "Socket Error # 10060\r\nConnection timed out."},
      {10047, "Socket Error # 10047\r\nAddress family not supported by protocol family."},
      {11004, "Socket Error # 11004\r\n"},
      {0, "Socket Error # 0\r\n"},
  };
  for (const auto& [code, message] : cases)
    EXPECT_EQ(TNetStack::TranslateSocketError(code), message);
}

TEST(AddressFromText, GivesTheFourBytesOrRaisesAConversionError) {
  EXPECT_EQ(TNetStack::AddressFromText("192.168.1.20"),
            (std::array<std::uint8_t, 4>{192, 168, 1, 20}));
  try {
    TNetStack::AddressFromText("10.x.0.1");
    FAIL() << "no exception";
  } catch (const platform::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
  }
}

TEST(ResolveHostName, LocalhostAndDottedQuadsNeedNoLookup) {
  net::TNetComponent keepStack;
  TNetStack& stack = *net::SharedStack();
  for (const char* name : {"localhost", "LOCALHOST", "LocalHost"})
    EXPECT_EQ(stack.ResolveHostName(name), "127.0.0.1") << name;
  EXPECT_EQ(stack.ResolveHostName("10.0.0.1"), "10.0.0.1");
}

TEST(ResolveHostName, ANameTheLookupDoesNotKnowRaisesHostNotFound) {
  net::TNetComponent keepStack;
  try {
    // Not a dotted quad, so it goes to the resolver, which knows no such name.
    net::SharedStack()->ResolveHostName("10.0.0.256");
    FAIL() << "no exception";
  } catch (const net::ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_EQ(e.Message(), "Socket Error # 11001\r\nHost not found.");
    EXPECT_EQ(net::SharedStack()->LastError(), 11001);
  }
}

TEST(ResolveHostName, NamesInTheHostsFileResolve) {
  if (!std::getenv("KOLVARIN_TEST_HOSTS"))
    GTEST_SKIP() << "needs the hosts file scripts/test mounts";
  net::TNetComponent keepStack;
  EXPECT_EQ(net::SharedStack()->ResolveHostName("kolvarin-test.example"), "127.0.0.2");
}

TEST(SharedStack, LivesWithTheComponentsAndStartsTheLibraryOnce) {
  ASSERT_EQ(net::SharedStack(), nullptr);
  {
    auto first = std::make_unique<net::TNetComponent>();
    net::TNetComponent second;
    ASSERT_NE(net::SharedStack(), nullptr);
    first.reset();
    EXPECT_NE(net::SharedStack(), nullptr);
  }
  EXPECT_EQ(net::SharedStack(), nullptr);
  const int starts = net::LibraryStartCount();
  EXPECT_EQ(starts, 1);

  net::TNetComponent again;
  EXPECT_NE(net::SharedStack(), nullptr);
  EXPECT_EQ(net::LibraryStartCount(), starts);
  EXPECT_TRUE(platform::ws::LibraryStarted());
}

// Runs in a fresh process, where no stack has loaded the library yet.
TEST(SocketLibraryDeathTest, AFunctionCalledBeforeTheLibraryIsLoadedRaisesTheStubError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        net::InstallStubErrorHandler();
        try {
          platform::ws::Socket(2, 1, 0);
        } catch (const net::ENetWS2StubError& e) {
          const bool right = e.Title() == "Error on call Winsock2 library function socket" &&
                             e.Win32Error() == 10093;
          std::exit(right ? 0 : 1);
        }
        std::exit(2);
      },
      testing::ExitedWithCode(0), "");
}

TEST(SocketLibrary, AFunctionTheLibraryLacksRaisesTheStubError) {
  net::TNetComponent keepStack;
  try {
    platform::ws::BindFunction("no_such_socket_function");
    FAIL() << "no exception";
  } catch (const net::ENetWS2StubError& e) {
    EXPECT_EQ(e.Title(), "Error on call Winsock2 library function no_such_socket_function");
    EXPECT_EQ(e.Win32Error(), platform::ws::ErrorProcNotFound);
  }
}

} // namespace
