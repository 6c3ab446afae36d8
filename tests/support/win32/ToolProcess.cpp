#include "ToolProcess.h"

#include "ProxySettings.h"
#include "Win32Process.h"

namespace testsupport {

namespace {

ToolRun Outcome(const wintest::RunResult& result) {
  ToolRun run;
  // The exit code of a program that did not start, or was ended at the limit.
  run.ended = result.exitCode != 0xFFFFFFFF;
  run.exitCode = static_cast<int>(result.exitCode);
  run.out = result.out;
  run.err = result.err;
  return run;
}

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

} // namespace

ToolRun RunTool(const std::vector<std::string>& args) {
  return Outcome(wintest::Run(wintest::WinPath(KOLVARIN_TOOL_BINARY), args));
}

ToolRun RunTool(const std::vector<std::string>& args, const ToolProxy& proxy) {
  std::string bypass;
  for (const std::string& host : proxy.bypass)
    bypass += (bypass.empty() ? "" : ";") + host;
  const wintest::ProxySettings settings(Wide(proxy.address), Wide(bypass));
  return Outcome(wintest::Run(wintest::WinPath(KOLVARIN_TOOL_BINARY), args));
}

} // namespace testsupport
