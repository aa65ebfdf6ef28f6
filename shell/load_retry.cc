#include "shell/load_retry.h"

#include <algorithm>

namespace pellomar {

namespace {

constexpr int kFirstDelaySeconds = 3;
constexpr int kLongestDelaySeconds = 60;

}  // namespace

int RetryDelaySeconds(int attempt) {
  int delay = kFirstDelaySeconds;
  for (int i = 1; i < attempt && delay < kLongestDelaySeconds; ++i) delay *= 2;
  return std::min(delay, kLongestDelaySeconds);
}

WebProcessRestarts::Decision WebProcessRestarts::OnEnded(Clock::time_point now) {
  while (!ends_.empty() && now - ends_.front() >= kWindow) ends_.pop_front();
  ends_.push_back(now);
  if (ends_.size() >= kEndsBeforeGivingUp) {
    ends_.pop_front();  // bounded; still a full minute's worth
    return {.give_up = true};
  }
  const int earlier = static_cast<int>(ends_.size()) - 1;
  return {.delay_seconds = earlier == 0 ? 0 : RetryDelaySeconds(earlier)};
}

}  // namespace pellomar
