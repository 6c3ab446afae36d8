#include "http/InternetDate.h"

#include "TimeZone.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

namespace {

using http::ParseInternetDate;
using platform::TDateTime;

TDateTime Utc(int year, int month, int day, int hour, int minute, int second) {
  TDateTime date = 0;
  EXPECT_TRUE(platform::TryEncodeDate(year, month, day, date));
  return date + (hour * 3600 + minute * 60 + second) / platform::SecondsPerDay;
}

TEST(InternetDate, ReadsTheThreeFormsAndNumericZones) {
  const TDateTime expected = Utc(1994, 11, 6, 8, 49, 37);
  for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                           "Sun Nov  6 08:49:37 1994", "Sun, 06-Nov-1994 08:49:37 GMT",
                           "06 Nov 1994 08:49:37 GMT", "Sun, 06 Nov 1994 10:49:37 +0200"}) {
    EXPECT_NEAR(ParseInternetDate(text), expected, 1e-9) << text;
  }
  EXPECT_NEAR(ParseInternetDate("Thu, 01-Jan-70 00:00:00 GMT"), platform::UnixEpoch, 1e-9);
  EXPECT_NEAR(ParseInternetDate("Fri, 31 Dec 2049 23:59:59 GMT"), Utc(2049, 12, 31, 23, 59, 59),
              1e-9);
}

TEST(InternetDate, ATextThatDoesNotParseGivesNothingAndRaisesNothing) {
  for (const char* text : {"", "yesterday", "Sun, 31 Feb 1994 08:49:37 GMT", "06 Nov 1994",
                           "Sun, 06 Nov 1994 25:00:00 GMT", "3600", "Sun, 06 Xyz 1994 08:49:37 GMT",
                           "Sun, 06 Nov 1994 08:49:37 GMT trailing"}) {
    EXPECT_EQ(ParseInternetDate(text), 0) << text;
  }
}

TEST(InternetDate, FormatsAndConvertsBetweenGMTAndLocalTime) {
  EXPECT_EQ(http::DateTimeGMTToHttpStr(Utc(1994, 11, 6, 8, 49, 37)),
            "Sun, 06 Nov 1994 08:49:37 GMT");
  // Istanbul's zone in 1994 (two hours east, no summer time in November).
  testsupport::SetTimeZone("EET-2");
  const TDateTime local = http::GMTToLocalDateTime("Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_NEAR(local, Utc(1994, 11, 6, 10, 49, 37), 1e-9);
  EXPECT_EQ(http::LocalDateTimeToHttpStr(local), "Sun, 06 Nov 1994 08:49:37 GMT");
  testsupport::SetTimeZone(nullptr);
}

TEST(EncodeTime, RaisesOutsideADay) {
  EXPECT_NEAR(platform::EncodeTime(1, 0, 0, 0), 1.0 / 24, 1e-12);
  EXPECT_THROW(platform::EncodeTime(24, 0, 0, 0), platform::EConvertError);
  try {
    platform::EncodeTime(-1, 0, 0, 0);
    FAIL() << "no exception";
  } catch (const platform::EConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid argument to time encode");
  }
}

} // namespace
