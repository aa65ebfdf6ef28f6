#include "receipt/receipt_follower.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/text.h"
#include "tests/fakes/fake_job_watch.h"
#include "tests/fakes/fixed_clock.h"

namespace pellomar::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;
using ::testing::ElementsAre;

struct Notice {
  std::u16string text;
  int receipt_id;
};

class ReceiptFollowerTest : public ::testing::Test {
 protected:
  ReceiptFollowerTest()
      : follower_(
            printer_, watch_, timer_, clock_,
            FollowerEvents{[this](const Report& report, int id) {
                             notices_.push_back({report.notice, id});
                             EXPECT_FALSE(report.diagnostic.empty());
                           },
                           [this](int id) { settled_.push_back(id); },
                           [this](const Report& report) { reports_.push_back(report); },
                           [this](const Report& report) { hints_.push_back(report.notice); }}) {}

  // A receipt of four lines, the fourth naming the order as the layout does.
  void Print(std::u16string order) {
    for (const std::u16string& line : Lines(order)) follower_.PrintLine(line);
    ASSERT_TRUE(follower_.EndDocument().ok());
  }
  static std::vector<std::u16string> Lines(const std::u16string& order) {
    return {u"    消费小票", u"-----", u"台号:大厅3", u"单号:" + order, u"结算时间:14:03:05"};
  }
  // Runs the step the follower asked for, if any.
  bool StepOnce() {
    if (!timer_.next) return false;
    now_ += *timer_.next;
    timer_.next.reset();
    follower_.Step(now_);
    return true;
  }
  void StepTimes(int n) {
    for (int i = 0; i < n; ++i) StepOnce();
  }
  const KeptReceipt& Newest() const { return follower_.history().receipts().front(); }
  void StopPrinter(std::vector<std::string> reasons) {
    watch_.printer = {true, std::move(reasons)};
  }

  FakeJobWatch watch_;
  SpoolingPrinter printer_{watch_};
  FakeStepTimer timer_;
  FixedClock clock_{SampleSettlementTime()};
  ReceiptFollower follower_;
  std::chrono::steady_clock::time_point now_{};
  std::vector<Notice> notices_;
  std::vector<int> settled_;
  std::vector<Report> reports_;
  std::vector<std::u16string> hints_;
};

TEST_F(ReceiptFollowerTest, ReceiptThatCompletesGivesNoNoticeAndFollowingStops) {
  Print(u"A1024");
  EXPECT_EQ(timer_.next, ReceiptFollower::kStepEvery);
  StepTimes(2);  // the job, then its printer, while it is on its way
  watch_.jobs[1].state = JobState::kCompleted;
  StepTimes(1);
  EXPECT_EQ(Newest().state, ReceiptState::kPrinted);
  EXPECT_FALSE(timer_.next) << "nothing left to follow";
  EXPECT_THAT(watch_.requests, ElementsAre("job 1 on till", "printer till", "job 1 on till"));
  EXPECT_TRUE(notices_.empty());
  EXPECT_TRUE(settled_.empty());
}

TEST_F(ReceiptFollowerTest, StoppedPrinterIsToldOnceAndTheNoticeGoesWhenTheJobPrints) {
  Print(u"20261211001");
  StopPrinter({"media-empty-error", "paused"});
  StepTimes(6);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0].text, u"小票未打出（单号 20261211001）：打印机缺纸");
  EXPECT_EQ(Newest().state, ReceiptState::kHeld);

  // Paper in, queue enabled: the spooler prints the held job by itself.
  watch_.printer = {};
  watch_.jobs[1].state = JobState::kCompleted;
  StepTimes(2);
  EXPECT_EQ(Newest().state, ReceiptState::kPrinted);
  EXPECT_THAT(settled_, ElementsAre(Newest().id));
  EXPECT_EQ(notices_.size(), 1u);
  EXPECT_TRUE(watch_.cancelled.empty());
}

TEST_F(ReceiptFollowerTest, AbortedJobIsToldAndReprintSendsTheSameLinesOnce) {
  Print(u"A1");
  watch_.jobs[1] = {JobState::kAborted, {"media-jam-error"}};
  StepTimes(1);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0].text, u"小票未打出（单号 A1）：打印机卡纸");
  EXPECT_EQ(Newest().state, ReceiptState::kLost);
  EXPECT_FALSE(timer_.next);

  follower_.Reprint(notices_[0].receipt_id);
  ASSERT_EQ(printer_.jobs.size(), 2u);
  EXPECT_EQ(printer_.jobs[1], printer_.jobs[0]);
  EXPECT_TRUE(watch_.cancelled.empty()) << "a lost job has nothing to cancel";
  EXPECT_EQ(Newest().job_id, 2);
  EXPECT_EQ(Newest().settled_at, SampleSettlementTime());
  EXPECT_EQ(timer_.next, ReceiptFollower::kStepEvery) << "the new job is followed";
}

TEST_F(ReceiptFollowerTest, ReprintOfAHeldJobCancelsItFirst) {
  Print(u"A1");
  watch_.jobs[1].state = JobState::kHeld;
  StepTimes(2);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0].text, u"小票未打出（单号 A1）：打印任务被挂起");
  watch_.requests.clear();

  follower_.Reprint(notices_[0].receipt_id);
  EXPECT_THAT(watch_.requests, ElementsAre("printer till", "cancel 1 on till"));
  EXPECT_THAT(watch_.cancelled, ElementsAre(1));
  ASSERT_EQ(printer_.jobs.size(), 2u);
  EXPECT_EQ(printer_.jobs[1], printer_.jobs[0]);
  EXPECT_EQ(follower_.history().receipts()[1].state, ReceiptState::kReplaced);
  EXPECT_THAT(settled_, ElementsAre(notices_[0].receipt_id));

  // The cancelled old job is ours: no notice of it, only the new one is followed.
  watch_.jobs[2].state = JobState::kCompleted;
  watch_.requests.clear();
  StepTimes(3);
  EXPECT_THAT(watch_.requests, ElementsAre("job 2 on till"));
  EXPECT_EQ(notices_.size(), 1u);
}

TEST_F(ReceiptFollowerTest, ReprintKeepsTheHeldJobWhileThePrinterIsStoppedOrSilent) {
  Print(u"A1");
  StopPrinter({"media-empty-error"});
  StepTimes(2);
  ASSERT_EQ(notices_.size(), 1u);

  follower_.Reprint(notices_[0].receipt_id);
  ASSERT_EQ(notices_.size(), 2u);
  EXPECT_EQ(notices_[1].text, u"小票未打出（单号 A1）：打印机缺纸，请先恢复打印机再重新打印");
  EXPECT_EQ(notices_[1].receipt_id, notices_[0].receipt_id) << "still offered again";

  watch_.answering = false;
  follower_.Reprint(notices_[0].receipt_id);
  ASSERT_EQ(notices_.size(), 3u);
  EXPECT_EQ(notices_[2].text, u"小票未打出（单号 A1）：无法连接打印服务");

  EXPECT_TRUE(watch_.cancelled.empty());
  EXPECT_EQ(printer_.jobs.size(), 1u);
  EXPECT_EQ(Newest().state, ReceiptState::kHeld);
}

TEST_F(ReceiptFollowerTest, ReprintOfAJobThatPrintedMeanwhileSendsNothing) {
  Print(u"A1");
  watch_.jobs[1].state = JobState::kHeld;
  StepTimes(2);
  ASSERT_EQ(notices_.size(), 1u);
  watch_.jobs[1].state = JobState::kCompleted;  // released before the click arrived

  follower_.Reprint(notices_[0].receipt_id);
  EXPECT_EQ(printer_.jobs.size(), 1u);
  EXPECT_EQ(Newest().state, ReceiptState::kPrinted);
  EXPECT_THAT(settled_, ElementsAre(notices_[0].receipt_id));
}

TEST_F(ReceiptFollowerTest, ReprintNewestCopiesTheLastReceiptAndDoesNothingWithoutOne) {
  follower_.ReprintNewest();
  EXPECT_TRUE(printer_.jobs.empty());
  EXPECT_TRUE(watch_.requests.empty());

  Print(u"A1");
  Print(u"A2");
  watch_.jobs[2].state = JobState::kCompleted;
  follower_.ReprintNewest();
  ASSERT_EQ(printer_.jobs.size(), 3u);
  EXPECT_EQ(printer_.jobs[2], Lines(u"A2"));
  EXPECT_TRUE(watch_.cancelled.empty()) << "a copy leaves the first job alone";
  EXPECT_EQ(Newest().order_number, u"A2");
}

TEST_F(ReceiptFollowerTest, ReceiptThePrinterRefusedIsKeptAndCanBeSentAgain) {
  printer_.next_result = {PrintError::kRefused, "stopped"};
  for (const std::u16string& line : Lines(u"A9")) follower_.PrintLine(line);
  EXPECT_FALSE(follower_.EndDocument().ok());
  EXPECT_EQ(Newest().state, ReceiptState::kNotSent);
  EXPECT_FALSE(timer_.next);

  follower_.ReprintNewest();
  ASSERT_EQ(printer_.jobs.size(), 1u);
  EXPECT_EQ(printer_.jobs[0], Lines(u"A9"));

  printer_.next_result = {PrintError::kUnreachable, "gone"};
  follower_.ReprintNewest();
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0].text, u"小票未打出（单号 A9）：无法连接打印服务");
  EXPECT_EQ(notices_[0].receipt_id, Newest().id);
}

TEST_F(ReceiptFollowerTest, SilentSpoolerIsAskedLessOftenAndReportedOnce) {
  Print(u"A1");
  watch_.answering = false;
  StepTimes(3);
  EXPECT_EQ(timer_.next, ReceiptFollower::kAfterSilence);
  EXPECT_EQ(reports_.size(), 1u);
  EXPECT_TRUE(notices_.empty());

  watch_.answering = true;
  watch_.jobs[1].state = JobState::kCompleted;
  StepTimes(1);
  EXPECT_EQ(Newest().state, ReceiptState::kPrinted);
}

TEST_F(ReceiptFollowerTest, FollowingEndsAfterItsBound) {
  Print(u"A1");
  StepTimes(1);
  now_ += ReceiptFollower::kFollowFor + minutes(1);
  StepTimes(1);
  EXPECT_EQ(Newest().state, ReceiptState::kUnknown);
  EXPECT_FALSE(timer_.next);
}

TEST_F(ReceiptFollowerTest, PaperLowIsHintedOnceAndDoesNotHoldTheReceipt) {
  watch_.printer = {false, {"media-low-warning"}};
  Print(u"A1");
  Print(u"A2");
  StepTimes(8);
  EXPECT_THAT(hints_, ElementsAre(u"打印机纸将用完"));
  EXPECT_TRUE(notices_.empty());
  for (const KeptReceipt& receipt : follower_.history().receipts()) {
    EXPECT_EQ(receipt.state, ReceiptState::kSent);
  }
}

TEST_F(ReceiptFollowerTest, HistoryKeepsTheNewestFirstWithinItsBound) {
  for (std::size_t i = 1; i <= ReceiptHistory::kKept + 1; ++i)
    Print(u"N" + Utf8ToUtf16(std::to_string(i)));
  const auto& receipts = follower_.history().receipts();
  ASSERT_EQ(receipts.size(), ReceiptHistory::kKept);
  EXPECT_EQ(receipts.front().order_number, u"N101");
  EXPECT_EQ(receipts.back().order_number, u"N2");
}

}  // namespace
}  // namespace pellomar::testing
