#include "shell/dialog_flood.h"

namespace pellomar {

DialogFlood::Verdict DialogFlood::OnDialog(Clock::time_point now) {
  const bool flood = recent_.size() == kShownPerWindow && now - recent_.front() < kWindow;
  recent_.push_back(now);
  if (recent_.size() > kShownPerWindow) recent_.pop_front();
  if (!flood) {
    flooding_ = false;
    return Verdict::kShow;
  }
  if (flooding_) return Verdict::kAnswer;
  flooding_ = true;
  return Verdict::kAnswerAndTell;
}

}  // namespace pellomar
