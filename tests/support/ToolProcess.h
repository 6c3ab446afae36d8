#pragma once

// kolvarin-tool of the build under test, run to its end as a publisher runs it: the Linux
// program, or in the Windows build the Windows one (under Wine). One implementation per system.

#include <string>
#include <vector>

namespace testsupport {

struct ToolRun {
  bool ended = false; // by itself, within the system's usual limit
  int exitCode = -1;
  std::string out;
  std::string err;
  bool ExitedWith(int code) const { return ended && exitCode == code; }
};

ToolRun RunTool(const std::vector<std::string>& args);

} // namespace testsupport
