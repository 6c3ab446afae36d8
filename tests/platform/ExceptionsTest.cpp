#include "platform/Exceptions.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using platform::DescribeException;

TEST(DescribeException, AbortIsSilentAndEverythingElseShowsItsText) {
  struct Case {
    std::exception_ptr error;
    bool silent;
    std::string text;
  };
  const Case cases[] = {
      {std::make_exception_ptr(platform::EAbort()), true, ""},
      {std::make_exception_ptr(platform::EAbort("custom")), true, ""},
      {std::make_exception_ptr(platform::Exception("Socket Error # 10061")), false,
       "Socket Error # 10061"},
      {std::make_exception_ptr(platform::EConvertError("'x' is not a valid integer value")), false,
       "'x' is not a valid integer value"},
      {std::make_exception_ptr(std::runtime_error("plain")), false, "plain"},
      {std::make_exception_ptr(42), false, "Unknown exception"},
  };
  for (const Case& c : cases) {
    const auto report = DescribeException(c.error);
    EXPECT_EQ(report.silent, c.silent) << c.text;
    EXPECT_EQ(report.text, c.text);
  }
}

TEST(DescribeException, AbortCarriesItsDefaultMessage) {
  EXPECT_STREQ(platform::EAbort().what(), "Operation aborted");
}

} // namespace
