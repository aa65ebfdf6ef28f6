// The current time, as the receipt's settlement time and the platform's
// timers see it; tests use a fixed clock.
#pragma once

#include <chrono>

namespace pellomar {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::system_clock::time_point Now() const = 0;
};

}  // namespace pellomar
