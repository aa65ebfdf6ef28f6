// How the window retries when the service's page cannot be shown: retries
// that back off from a few seconds to a minute.
// A page whose load fails is retried for as long as it takes (the network
// comes back); a page whose web process keeps ending (a crash, or ended
// because it hung) is given a few tries a minute and then left on the error
// page until someone asks for it again.
#pragma once

#include <chrono>
#include <deque>

namespace pellomar {

// Seconds to wait before retry number `attempt` (1 for the first retry).
int RetryDelaySeconds(int attempt);

// Restarts of the page after its web process ended.
class WebProcessRestarts {
 public:
  using Clock = std::chrono::steady_clock;
  struct Decision {
    bool give_up = false;   // stay on the error page
    int delay_seconds = 0;  // else reload after this long; 0 is at once
  };

  // The first end within a minute reloads at once, the next ones after the
  // load retries' delays (3, 6, 12 s); the fifth within a minute gives up.
  Decision OnEnded(Clock::time_point now);

 private:
  static constexpr std::size_t kEndsBeforeGivingUp = 5;
  static constexpr std::chrono::seconds kWindow{60};

  std::deque<Clock::time_point> ends_;  // within the last minute
};

}  // namespace pellomar
