#include "ToolProcess.h"

#include "ChildProcess.h"

#include <sys/wait.h>

namespace testsupport {

namespace {

ToolRun Outcome(const RunResult& result) {
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

} // namespace

ToolRun RunTool(const std::vector<std::string>& args) {
  return Outcome(RunProgram(KOLVARIN_TOOL_BINARY, args));
}

ToolRun RunTool(const std::vector<std::string>& args, const ToolProxy& proxy) {
  std::vector<std::string> envArgs;
  for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                           "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
    envArgs.push_back("-u");
    envArgs.push_back(name);
  }
  std::string noProxy;
  for (const std::string& host : proxy.bypass)
    noProxy += (noProxy.empty() ? "" : ",") + host;
  envArgs.insert(envArgs.end(), {"http_proxy=" + proxy.address, "https_proxy=" + proxy.address,
                                 "no_proxy=" + noProxy, KOLVARIN_TOOL_BINARY});
  envArgs.insert(envArgs.end(), args.begin(), args.end());
  return Outcome(RunProgram("/usr/bin/env", envArgs));
}

} // namespace testsupport
