// How many script dialogs a page may raise before the window answers them
// itself: a till held by one dialog after another is a till nobody can use.
#pragma once

#include <chrono>
#include <deque>

namespace pellomar {

class DialogFlood {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Verdict {
    kShow,           // ask the person at the window
    kAnswerAndTell,  // the first of a flood: answer it, say so once
    kAnswer,         // more of the same flood: answer it quietly
  };

  // More than 3 dialogs within 10 s is a flood; the answered ones count, so
  // a page that keeps going keeps being answered.
  Verdict OnDialog(Clock::time_point now);

 private:
  static constexpr int kShownPerWindow = 3;
  static constexpr std::chrono::seconds kWindow{10};

  std::deque<Clock::time_point> recent_;  // the last kShownPerWindow dialogs
  bool flooding_ = false;
};

}  // namespace pellomar
