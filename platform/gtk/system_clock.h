// The wall clock, for the settlement time printed on receipts.
#pragma once

#include <chrono>

#include "base/clock.h"

namespace pellomar {

class SystemClock : public Clock {
 public:
  std::chrono::system_clock::time_point Now() const override {
    return std::chrono::system_clock::now();
  }
};

}  // namespace pellomar
