#pragma once

#include <exception>
#include <string>

namespace platform {

// The root of the program's exceptions: a fixed message in the thrower's words.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : m_message(std::move(message)) {}

  const char* what() const noexcept override { return m_message.c_str(); }
  const std::string& Message() const noexcept { return m_message; }

private:
  std::string m_message;
};

// The silent exception: it ends the current event handler, and the event loop drops it
// without a message.
class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
  explicit EAbort(std::string message) : Exception(std::move(message)) {}
};

// Raised by text-to-number and time conversions.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// What the event loop does with an exception that escaped a handler: an EAbort is silent,
// anything else is shown with its own text.
struct ExceptionReport {
  bool silent = false;
  std::string text;
};
ExceptionReport DescribeException(const std::exception_ptr& error);

} // namespace platform
