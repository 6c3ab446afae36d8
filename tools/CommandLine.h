#pragma once

#include <string>
#include <vector>

namespace tools {

// The program's name and arguments as the program's own text: UTF-8 on Windows, where the C
// library gives them in the system's ANSI code page (which cannot hold every letter of a file
// name); elsewhere the bytes as given.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

} // namespace tools
