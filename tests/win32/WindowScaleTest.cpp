// The main window under Wine at the display scales the prefix's LogPixels sets (a new process
// reads it when it starts): the window's client area is the scaled 409 x 305, each control
// lies at its scaled place with its caption whole, and a WM_DPICHANGED lays the window out
// again at the new scale at the suggested rectangle. The suite runs alone (RUN_SERIAL): the
// prefix's dpi is every Wine process's that starts meanwhile.
#include "WindowScale.h"

#include "Win32Process.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using namespace wintest;

// HKCU\Control Panel\Desktop\LogPixels set for as long as this lives, then put back as it was.
class LogPixels {
public:
  explicit LogPixels(DWORD dpi) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_key, nullptr);
    DWORD size = sizeof m_old;
    m_had = RegQueryValueExW(m_key, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&m_old),
                             &size) == ERROR_SUCCESS;
    Set(dpi);
  }
  ~LogPixels() {
    if (m_had)
      Set(m_old);
    else
      RegDeleteValueW(m_key, L"LogPixels");
    RegCloseKey(m_key);
  }
  LogPixels(const LogPixels&) = delete;
  LogPixels& operator=(const LogPixels&) = delete;

  void Set(DWORD dpi) {
    RegSetValueExW(m_key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof dpi);
  }

private:
  HKEY m_key = nullptr;
  DWORD m_old = 96;
  bool m_had = false;
};

// One state the window reported: the values of its lines by name, and the placement.
struct State {
  std::vector<std::pair<std::string, std::vector<long>>> values;
  std::vector<windowscale::TPlaced> placed;
  std::string hot; // the control under the mouse on the last device pixel of KvButton1
  std::vector<long> operator[](const std::string& name) const {
    for (const auto& [each, numbers] : values)
      if (each == name)
        return numbers;
    return {};
  }
};

// The states of the probe's report: the first, and after a dpi change the second.
std::vector<State> Parse(const std::string& out) {
  std::vector<State> states(1);
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    if (name == "suggested")
      states.emplace_back();
    if (name == "awareness")
      continue;
    if (name == "hot") {
      fields >> states.back().hot;
      continue;
    }
    const std::vector<windowscale::TPlaced> one = windowscale::ParseReport(line);
    if (!one.empty()) {
      states.back().placed.push_back(one.front());
      continue;
    }
    std::vector<long> numbers;
    for (long value; fields >> value;)
      numbers.push_back(value);
    states.back().values.push_back({name, numbers});
  }
  return states;
}

std::wstring Probe() {
  return WinPath(KOLVARIN_SCALED_WINDOW);
}

State RunAt(DWORD dpi, const std::vector<std::string>& args = {}) {
  LogPixels scale(dpi);
  const RunResult run = wintest::Run(Probe(), args);
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  const std::vector<State> states = Parse(run.out);
  return states.front();
}

struct Scale {
  int dpi;
  long width, height; // the client area
};

TEST(WinWindowScale, TheWindowIsLaidOutAtEachScaleWithEveryCaptionWhole) {
  const State at96 = RunAt(96);
  ASSERT_EQ(at96.placed.size(), std::size(windowscale::Layout));
  const Scale scales[] = {{96, 409, 305}, {120, 511, 381}, {144, 614, 458}, {192, 818, 610}};
  for (const Scale& scale : scales) {
    SCOPED_TRACE(scale.dpi);
    const State state = scale.dpi == 96 ? at96 : RunAt(static_cast<DWORD>(scale.dpi));
    EXPECT_EQ(state["dpi"], (std::vector<long>{scale.dpi}));
    EXPECT_EQ(state["client"], (std::vector<long>{scale.width, scale.height}));
    EXPECT_EQ(state["picture"], (std::vector<long>{scale.width, scale.height}));
    EXPECT_EQ(state.hot, "KvButton1");
    for (const std::string& failure : windowscale::Check(state.placed, scale.dpi, at96.placed))
      ADD_FAILURE() << failure;
    // With KOLVARIN_SCREENSHOTS naming a folder (a Unix path), what the screen shows of the
    // window is saved there as windows-wine-PERCENT.bmp.
    if (const char* folder = std::getenv("KOLVARIN_SCREENSHOTS")) {
      LogPixels again(static_cast<DWORD>(scale.dpi));
      const std::string file =
          std::string(folder) + "/windows-wine-" + std::to_string(scale.dpi * 100 / 96) + ".bmp";
      const std::wstring wide = WinPath(file);
      EXPECT_EQ(wintest::Run(Probe(), {"-", std::string(wide.begin(), wide.end())}).exitCode, 0u);
    }
  }
}

TEST(WinWindowScale, TheProcessIsPerMonitorAware) {
  LogPixels scale(144);
  const RunResult run = wintest::Run(Probe(), {});
  // Wine refuses version 2 (error 87): the fallback to version 1 is what holds there.
  EXPECT_TRUE(run.out.find("awareness PerMonitor\n") != std::string::npos ||
              run.out.find("awareness PerMonitorV2\n") != std::string::npos)
      << run.out;
}

TEST(WinWindowScale, ADpiChangeLaysTheWindowOutAgainAtTheSuggestedRectangle) {
  const State at96 = RunAt(96);
  const struct {
    DWORD from;
    int to;
    long width, height;
  } changes[] = {{96, 144, 614, 458}, {144, 192, 818, 610}, {192, 120, 511, 381}};
  for (const auto& change : changes) {
    SCOPED_TRACE(std::to_string(change.from) + " to " + std::to_string(change.to));
    LogPixels scale(change.from);
    const RunResult run = wintest::Run(Probe(), {std::to_string(change.to)});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::vector<State> states = Parse(run.out);
    ASSERT_EQ(states.size(), 2u) << run.out;
    EXPECT_EQ(states[0]["dpi"], (std::vector<long>{static_cast<long>(change.from)}));
    const State& after = states[1];
    EXPECT_EQ(after["window"], after["suggested"]);
    EXPECT_EQ(after["dpi"], (std::vector<long>{change.to}));
    EXPECT_EQ(after["client"], (std::vector<long>{change.width, change.height}));
    EXPECT_EQ(after["picture"], (std::vector<long>{change.width, change.height}));
    EXPECT_EQ(after.hot, "KvButton1");
    for (const std::string& failure : windowscale::Check(after.placed, change.to, at96.placed))
      ADD_FAILURE() << failure;
  }
}

} // namespace
