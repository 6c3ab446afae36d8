#include "ToolProcess.h"

#include "Win32Process.h"

namespace testsupport {

ToolRun RunTool(const std::vector<std::string>& args) {
  const wintest::RunResult result = wintest::Run(wintest::WinPath(KOLVARIN_TOOL_BINARY), args);
  ToolRun run;
  // The exit code of a program that did not start, or was ended at the limit.
  run.ended = result.exitCode != 0xFFFFFFFF;
  run.exitCode = static_cast<int>(result.exitCode);
  run.out = result.out;
  run.err = result.err;
  return run;
}

} // namespace testsupport
