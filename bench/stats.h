// Order statistics of a sample of timings or sizes.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace pellomar::bench {

// The p-th percentile (0..100), nearest rank; 0 for an empty sample.
inline double Percentile(std::vector<double> sample, double p) {
  if (sample.empty()) return 0;
  std::sort(sample.begin(), sample.end());
  const double rank = std::ceil(p / 100.0 * static_cast<double>(sample.size()));
  const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
  return sample[std::min(index, sample.size() - 1)];
}

inline double Median(const std::vector<double>& sample) { return Percentile(sample, 50); }

}  // namespace pellomar::bench
