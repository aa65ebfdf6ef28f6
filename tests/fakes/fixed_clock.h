#pragma once

#include <chrono>

#include "base/clock.h"

namespace pellomar::testing {

class FixedClock : public Clock {
 public:
  explicit FixedClock(std::chrono::system_clock::time_point now) : now_(now) {}
  std::chrono::system_clock::time_point Now() const override { return now_; }

 private:
  std::chrono::system_clock::time_point now_;
};

// 2026-12-11 14:03:05 UTC.
inline std::chrono::system_clock::time_point SampleSettlementTime() {
  return std::chrono::sys_days{std::chrono::year{2026} / 12 / 11} + std::chrono::hours{14} +
         std::chrono::minutes{3} + std::chrono::seconds{5};
}

}  // namespace pellomar::testing
