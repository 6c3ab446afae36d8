#pragma once

// Records of the fault cases a reliability test tried, one tab-separated line each, appended to
// the file named by KOLVARIN_RELIABILITY_LOG (nothing is written without it). scripts/test
// turns them into docs/RELIABILITY.md.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace testsupport {

struct FaultRecord {
  std::string faultClass; // e.g. "hostile server: version check"
  std::string caseName;   // e.g. "close after byte 17"
  std::string outcome;    // what the user saw
  bool nothingLost = false;
  double seconds = 0;
  long peakKiB = -1; // memory growth over the case, -1: not measured
};

inline void Record(const FaultRecord& r) {
  const char* path = std::getenv("KOLVARIN_RELIABILITY_LOG");
  if (!path || !*path)
    return;
  std::ofstream log(path, std::ios::app);
  log << r.faultClass << '\t' << r.caseName << '\t' << r.outcome << '\t'
      << (r.nothingLost ? "yes" : "no") << '\t' << r.seconds << '\t' << r.peakKiB << '\n';
}

// The process's resident memory (kB) of the given /proc/self/status field, e.g. "VmHWM:".
inline long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string name;
  long value = -1;
  while (status >> name) {
    if (name == field) {
      status >> value;
      return value;
    }
    status.ignore(1 << 20, '\n');
  }
  return -1;
}

// Measures the growth of the resident peak over a stretch of work.
class PeakMemory {
public:
  PeakMemory() {
    // Resets the peak to the current size (Linux: "5" into clear_refs).
    std::ofstream("/proc/self/clear_refs") << "5";
    m_base = StatusKiB("VmRSS:");
  }
  long GrowthKiB() const {
    const long peak = StatusKiB("VmHWM:");
    return peak < 0 || m_base < 0 ? -1 : (peak > m_base ? peak - m_base : 0);
  }

private:
  long m_base = -1;
};

} // namespace testsupport
