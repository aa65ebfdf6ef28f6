// What the benchmark programs report for scripts/bench's table of targets:
// one line per figure, "figure<TAB>key<TAB>ours<TAB>baseline<TAB>unit",
// and the machine's load average, which every figure should be read beside.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>

namespace pellomar::bench {

inline void PrintFigure(const std::string& key, double ours, double baseline, const char* unit) {
  std::printf("figure\t%s\t%.3f\t%.3f\t%s\n", key.c_str(), ours, baseline, unit);
}

// The 1, 5 and 15 minute load averages, as /proc/loadavg has them.
inline std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace pellomar::bench
