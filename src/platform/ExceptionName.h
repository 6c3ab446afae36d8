#pragma once

#include <exception>
#include <string>

namespace platform {

// The class name of an exception without its namespace ("ENetSocketError").
std::string ExceptionClassName(const std::exception& error);

} // namespace platform
