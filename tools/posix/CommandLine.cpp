#include "tools/CommandLine.h"

namespace tools {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return {argv, argv + argc};
}

} // namespace tools
