#include "platform/Exceptions.h"

namespace platform {

ExceptionReport DescribeException(const std::exception_ptr& error) {
  if (!error)
    return {true, {}};
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    return {true, {}};
  } catch (const std::exception& e) {
    return {false, e.what()};
  } catch (...) {
    return {false, "Unknown exception"};
  }
}

} // namespace platform
