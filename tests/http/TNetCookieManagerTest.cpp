#include "http/TNetCookieManager.h"

#include "http/InternetDate.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

namespace {

using http::TNetCookieManager;

TEST(TNetCookie, ReadsNameValueAndTheAttributesIgnoringCase) {
  http::TNetCookieRFC2109 cookie;
  cookie.SetCookieText("sid=abc=def; path=\"/radyo\"; Domain=.example.com; secure; "
                       "Expires=Thu, 01 Jan 2099 00:00:00 GMT; Version=1; comment=hi;");
  EXPECT_EQ(cookie.CookieName, "sid");
  EXPECT_EQ(cookie.Value, "abc=def");
  EXPECT_EQ(cookie.Path, "/radyo");
  EXPECT_EQ(cookie.Domain, ".example.com");
  EXPECT_TRUE(cookie.Secure);
  EXPECT_EQ(cookie.Expires, "Thu, 01 Jan 2099 00:00:00 GMT");
  EXPECT_EQ(cookie.MaxAge, -1);
  EXPECT_EQ(cookie.Version, "1");
  EXPECT_EQ(cookie.Comment, "hi");

  http::TNetCookieRFC2109 bare;
  bare.SetCookieText("novalue");
  EXPECT_EQ(bare.CookieName, "");
  EXPECT_EQ(bare.Value, "");
}

TEST(TNetCookie, AMaxAgeWithoutExpiresGivesNowPlusThatMany) {
  http::TNetCookieRFC2109 cookie;
  const double before = platform::Now();
  cookie.SetCookieText("a=1; Max-Age=3600");
  EXPECT_EQ(cookie.MaxAge, 3600);
  const double expires = http::GMTToLocalDateTime(cookie.Expires);
  EXPECT_NEAR(expires, before + 3600 / platform::SecondsPerDay, 5 / platform::SecondsPerDay);

  http::TNetCookieRFC2109 invalid;
  invalid.SetCookieText("a=1; Max-Age=soon");
  EXPECT_EQ(invalid.MaxAge, -1);
  EXPECT_EQ(invalid.Expires, "");
}

TEST(TNetCookie, ThePortListOfASetCookie2) {
  const std::pair<const char*, std::vector<int>> cases[] = {
      {"a=1", {80}},
      {"a=1; Port", {80}},
      {"a=1; Port=\"8080,80, 443\"", {8080, 80, 443}},
      {"a=1; Port=\"\"", {80}},
      {"a=1; Port=8080", {}},
  };
  for (const auto& [text, ports] : cases) {
    http::TNetCookieRFC2965 cookie;
    cookie.SetCookieText(text);
    EXPECT_EQ(cookie.PortList, ports) << text;
  }
  http::TNetCookieRFC2965 bad;
  try {
    bad.SetCookieText("a=1; Discard; CommentURL=http://x/; Port=\"80,eighty\"");
    FAIL() << "no exception";
  } catch (const platform::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'eighty' is not a valid integer value");
  }
  EXPECT_TRUE(bad.Discard);
  EXPECT_EQ(bad.CommentURL, "http://x/");
}

TEST(TNetCookieManager, FollowsTheHostRules) {
  struct Case {
    const char* domain;
    const char* host;
    bool valid;
  };
  const Case cases[] = {
      {"www.example.com", "www.example.com", true},
      {"WWW.example.com", "www.example.com", false}, // case counts here
      {".example.com", "www.example.com", true},
      {"example.com", "www.example.com", false},
      {".other.com", "www.example.com", false},
      {"192.168.1.5", "192.168.1.5", true},
      {".168.1.5", "192.168.1.5", false},
      {"192.168.1.5", "www.example.com", false},
      {".Example.COM", ".example.com", true}, // a leading-dot host compares ignoring case
      {".example.org", ".example.com", false},
      {"localhost", "localhost", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TNetCookieManager::IsValidDomain(c.domain, c.host), c.valid)
        << c.domain << " from " << c.host;
}

TEST(TNetCookieManager, StoresByDomainAndNameDroppingForeignOnesAndReplacingSameNames) {
  TNetCookieManager jar;
  jar.AddCookie("a=1", "www.example.com");
  jar.AddCookie("b=2; Domain=.example.com", "www.example.com");
  jar.AddCookie("evil=1; Domain=.attacker.com", "www.example.com");
  jar.AddCookie("A=3; Path=/x", "www.example.com");

  EXPECT_EQ(jar.CookieCollection().Count(), 2);
  const auto index = jar.CookieCollection().Index();
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(index[0].domain, "www.example.com");
  ASSERT_EQ(index[0].cookies.size(), 1u);
  EXPECT_EQ(index[0].cookies[0]->CookieName, "A");
  EXPECT_EQ(index[0].cookies[0]->Value, "3");
  EXPECT_EQ(index[0].cookies[0]->Path, "/x");
  EXPECT_EQ(index[1].domain, ".example.com");
}

TEST(TNetCookieManager, OnNewCookieMayRejectACookie) {
  TNetCookieManager jar;
  jar.OnNewCookie = [](TNetCookieManager*, http::TNetNetscapeCookie* cookie, bool& accept) {
    accept = cookie->CookieName != "tracker";
  };
  jar.AddCookie("tracker=1", "h");
  jar.AddCookie2("kept=1", "h");
  EXPECT_EQ(jar.CookieCollection().Count(), 1);
}

TEST(TNetCookieManager, GivesARequestItsMatchingCookiesAndCleansExpiredOnes) {
  TNetCookieManager jar;
  jar.AddCookie("root=1; Path=/", "www.example.com");
  jar.AddCookie("deep=2; Path=/radyo", "www.example.com");
  jar.AddCookie("wide=3; Domain=.example.com", "www.example.com");
  jar.AddCookie("safe=4; Secure", "www.example.com");
  jar.AddCookie("old=5; Expires=Thu, 01 Jan 1998 00:00:00 GMT", "www.example.com");
  jar.AddCookie("other=6; Path=/radyolar", "www.example.com");
  EXPECT_EQ(jar.CookieCollection().Count(), 6);

  EXPECT_EQ(jar.CookiesForRequest("www.example.com", "/radyo/k.txt", false),
            "deep=2; root=1; wide=3");
  EXPECT_EQ(jar.CookieCollection().Count(), 5);
  EXPECT_EQ(jar.CookiesForRequest("www.example.com", "/", true), "root=1; wide=3; safe=4");
  EXPECT_EQ(jar.CookiesForRequest("cdn.example.com", "/", false), "wide=3");
  EXPECT_EQ(jar.CookiesForRequest("example.org", "/", false), "");
}

} // namespace
