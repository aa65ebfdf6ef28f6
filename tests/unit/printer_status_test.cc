#include "receipt/printer_status.h"

#include <gtest/gtest.h>

namespace pellomar {
namespace {

struct FaultCase {
  const char* name;
  PrinterStatus printer;
  std::optional<std::u16string> fault;
};

class PrinterReasonTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(PrinterReasonTest, NamesTheStop) {
  EXPECT_EQ(PrinterFault(GetParam().printer), GetParam().fault);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, PrinterReasonTest,
    ::testing::Values(
        FaultCase{"Idle", {false, {"none"}}, std::nullopt},
        FaultCase{"OutOfPaper", {true, {"media-empty-error"}}, u"打印机缺纸"},
        FaultCase{"OutOfPaperWithoutSuffix", {false, {"media-empty"}}, u"打印机缺纸"},
        FaultCase{"Jam", {true, {"media-jam-error"}}, u"打印机卡纸"},
        FaultCase{"DoorOpen", {false, {"door-open-error"}}, u"打印机盖未关"},
        FaultCase{"CoverOpen", {true, {"cover-open"}}, u"打印机盖未关"},
        FaultCase{"Offline", {true, {"offline-error"}}, u"打印机离线"},
        FaultCase{"OfflineReportOnly", {false, {"offline-report"}}, std::nullopt},
        FaultCase{"Paused", {true, {"paused"}}, u"打印机已暂停"},
        // A warning stops nothing while the printer works, but names the
        // stop once it has stopped.
        FaultCase{"JamWarningWhileWorking", {false, {"media-jam-warning"}}, std::nullopt},
        FaultCase{"JamWarningWhenStopped", {true, {"media-jam-warning"}}, u"打印机卡纸"},
        FaultCase{"PaperBeatsPause", {true, {"paused", "media-empty-error"}}, u"打印机缺纸"},
        FaultCase{"PaperLowIsNoStop", {false, {"media-low-warning"}}, std::nullopt},
        FaultCase{"UnknownError", {false, {"toner-empty-error"}}, u"打印机故障"},
        FaultCase{"SpoolerKeywordWithoutSuffix",
                  {false, {"cups-waiting-for-job-completed"}},
                  std::nullopt},
        FaultCase{"StoppedForNoNamedReason", {true, {"none"}}, u"打印机已停止"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrinterStatusTest, PaperLowIsAHintWhateverItsSeverity) {
  EXPECT_TRUE(PaperRunningLow({false, {"media-low-warning"}}));
  EXPECT_TRUE(PaperRunningLow({false, {"media-low-report"}}));
  EXPECT_FALSE(PaperRunningLow({false, {"media-empty-error"}}));
}

TEST(PrinterStatusTest, JobOutcomesAndWhyALostJobWasLost) {
  EXPECT_EQ(OutcomeOf(JobState::kCompleted), JobOutcome::kPrinted);
  for (JobState state : {JobState::kCanceled, JobState::kAborted}) {
    EXPECT_EQ(OutcomeOf(state), JobOutcome::kLost);
  }
  for (JobState state :
       {JobState::kPending, JobState::kHeld, JobState::kProcessing, JobState::kStopped}) {
    EXPECT_EQ(OutcomeOf(state), JobOutcome::kOnItsWay);
  }
  EXPECT_EQ(LostReason({JobState::kCanceled, {}}), u"打印任务被取消");
  EXPECT_EQ(LostReason({JobState::kAborted, {"none"}}), u"打印任务失败");
  EXPECT_EQ(LostReason({JobState::kAborted, {"media-jam-error"}}), u"打印机卡纸");
}

TEST(PrinterStatusTest, NoticeNamesTheOrderWhenThereIsOne) {
  EXPECT_EQ(NotPrintedNotice(u"20261211001", u"打印机缺纸"),
            u"小票未打出（单号 20261211001）：打印机缺纸");
  EXPECT_EQ(NotPrintedNotice(u"", u"打印机离线"), u"小票未打出：打印机离线");
}

}  // namespace
}  // namespace pellomar
