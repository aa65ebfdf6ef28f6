// The rules that keep the till usable when a page misbehaves: restarts of a
// web process that keeps ending, and the limit on script dialogs.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "shell/dialog_flood.h"
#include "shell/load_retry.h"

namespace pellomar {
namespace {

using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

const Clock::time_point kStart = Clock::time_point() + std::chrono::hours(1);

TEST(WebProcessRestarts, ReloadAtOnceThenBackOffThenGiveUpWithinAMinute) {
  WebProcessRestarts restarts;
  // A page that ends its web process about a second after every reload.
  struct Step {
    int at_seconds;
    bool give_up;
    int delay;
  };
  const std::vector<Step> steps = {{0, false, 0},   {1, false, 3}, {5, false, 6},
                                   {12, false, 12}, {25, true, 0}, {26, true, 0}};
  for (const Step& step : steps) {
    const WebProcessRestarts::Decision decision =
        restarts.OnEnded(kStart + seconds(step.at_seconds));
    EXPECT_EQ(decision.give_up, step.give_up) << "at " << step.at_seconds << " s";
    if (!step.give_up) {
      EXPECT_EQ(decision.delay_seconds, step.delay) << "at " << step.at_seconds << " s";
    }
  }
}

TEST(WebProcessRestarts, EndsAMinuteApartAreEachTheFirst) {
  WebProcessRestarts restarts;
  for (int minute = 0; minute < 10; ++minute) {
    const auto decision = restarts.OnEnded(kStart + seconds(60 * minute));
    EXPECT_FALSE(decision.give_up) << minute;
    EXPECT_EQ(decision.delay_seconds, 0) << minute;
  }
}

TEST(WebProcessRestarts, GivingUpLastsUntilTheMinuteHasPassed) {
  WebProcessRestarts restarts;
  for (int i = 0; i < 5; ++i) restarts.OnEnded(kStart + seconds(i));
  EXPECT_TRUE(restarts.OnEnded(kStart + seconds(30)).give_up);  // a retry asked for by hand
  const auto later = restarts.OnEnded(kStart + seconds(95));
  EXPECT_FALSE(later.give_up);
  EXPECT_EQ(later.delay_seconds, 0);
}

TEST(DialogFlood, FourthWithinTenSecondsIsAnsweredAndToldOnce) {
  DialogFlood flood;
  using Verdict = DialogFlood::Verdict;
  struct Step {
    double at_seconds;
    Verdict verdict;
  };
  const std::vector<Step> steps = {
      {0, Verdict::kShow},
      {1, Verdict::kShow},
      {2, Verdict::kShow},
      {3, Verdict::kAnswerAndTell},
      {3.1, Verdict::kAnswer},
      {9.9, Verdict::kAnswer},
      // Answered ones count: a page that keeps going stays answered.
      {12, Verdict::kAnswer},
      // Quiet for ten seconds: the page may ask again, and a new flood is told.
      {40, Verdict::kShow},
      {41, Verdict::kShow},
      {42, Verdict::kShow},
      {43, Verdict::kAnswerAndTell},
  };
  for (const Step& step : steps) {
    const auto at = kStart + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(step.at_seconds));
    EXPECT_EQ(flood.OnDialog(at), step.verdict) << "at " << step.at_seconds << " s";
  }
}

TEST(DialogFlood, ThreeEveryTenSecondsAreAllShown) {
  DialogFlood flood;
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(flood.OnDialog(kStart + seconds(10 * (i / 3)) + std::chrono::milliseconds(i % 3)),
              DialogFlood::Verdict::kShow)
        << i;
  }
}

}  // namespace
}  // namespace pellomar
