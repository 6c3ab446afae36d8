#include "ToolProcess.h"

#include "ChildProcess.h"

#include <sys/wait.h>

namespace testsupport {

ToolRun RunTool(const std::vector<std::string>& args) {
  const RunResult result = RunProgram(KOLVARIN_TOOL_BINARY, args);
  ToolRun run;
  run.ended = result.status >= 0 && WIFEXITED(result.status);
  run.exitCode = run.ended ? WEXITSTATUS(result.status) : -1;
  run.out = result.out;
  // The toolkit notes where it keeps its runtime files when the session names no folder for
  // them (as in the tests' sandbox): its line, not the tool's.
  const std::string note = "QStandardPaths: ";
  for (std::size_t start = 0; start < result.err.size();) {
    const std::size_t end = result.err.find('\n', start);
    const std::size_t next = end == std::string::npos ? result.err.size() : end + 1;
    if (result.err.compare(start, note.size(), note) != 0)
      run.err += result.err.substr(start, next - start);
    start = next;
  }
  return run;
}

} // namespace testsupport
