// Printers that stop or fail after they took a receipt: the till is told
// which receipt did not come out and why, the receipt can be printed again,
// and no receipt comes out twice by the client's doing.
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>

#include "base/text.h"
#include "tests/hostile/cups_client_fixture.h"
#include "tests/support/pdf_words.h"

namespace pellomar::testing {
namespace {

using ::testing::HasSubstr;

// All text of a document, without spaces, in reading order.
std::string SqueezedText(const std::string& pdf) {
  std::string text;
  for (const PdfPage& page : ReadPdfWords(pdf)) {
    for (const PdfWord& word : page.words) text += word.text;
  }
  return text;
}

// The lines without any kind of space (times may hold a narrow no-break one).
std::string SqueezedLines(const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (const std::u16string& line : lines) text += line;
  std::erase_if(text, [](char16_t c) { return c == u' ' || c == u'\u00a0' || c == u'\u202f'; });
  return Utf16ToUtf8(text);
}

// The longest time the main loop went without running a 20 ms timer.
class StallMeter {
 public:
  StallMeter() : source_(g_timeout_add(20, &StallMeter::Tick, this)) {}
  ~StallMeter() { g_source_remove(source_); }
  int longest_ms() const {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(longest_).count());
  }

 private:
  static gboolean Tick(gpointer self) {
    auto* meter = static_cast<StallMeter*>(self);
    const auto now = std::chrono::steady_clock::now();
    meter->longest_ = std::max(meter->longest_, now - meter->last_);
    meter->last_ = now;
    return G_SOURCE_CONTINUE;
  }
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration longest_{};
  guint source_;
};

class PrinterFaultTest : public CupsClientTest {
 protected:
  void TearDown() override {
    cupsd_.SetDeviceFault("");
    CupsClientTest::TearDown();
  }
  bool WaitForNotice(const std::string& part, int timeout_ms = 10000) {
    return SpinUntil(
        [&] {
          return client_->notice().visible() &&
                 client_->notice().text().find(part) != std::string::npos;
        },
        timeout_ms);
  }
  const KeptReceipt& Newest() { return client_->receipts().history().receipts().front(); }
  void ClickReprint() {
    ASSERT_TRUE(gtk_widget_get_visible(client_->notice().action_button()));
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(client_->notice().action_button())), "重新打印");
    gtk_button_clicked(GTK_BUTTON(client_->notice().action_button()));
  }
  // Exactly `count` documents arrived and stay so; nothing is left queued.
  void ExpectPrintedStays(std::size_t count) {
    ASSERT_TRUE(cupsd_.WaitForPrinted(count, 15000));
    SpinFor(1500);  // several following steps
    EXPECT_EQ(cupsd_.PrintedJobs().size(), count);
    EXPECT_EQ(cupsd_.ActiveJobs(), 0);
  }
};

TEST_F(PrinterFaultTest, CompletedReceiptGivesNoNoticeAndIsNoLongerFollowed) {
  StartCupsClient();
  PrintStandardOrder();
  ExpectPrintedStays(1);
  ASSERT_TRUE(SpinUntil([&] { return !Newest().followed(); }));
  EXPECT_EQ(Newest().state, ReceiptState::kPrinted);
  EXPECT_EQ(Newest().order_number, u"A1024");
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
}

TEST_F(PrinterFaultTest, OutOfPaperIsToldAndTheHeldJobPrintsOnceWhenTheQueueIsEnabled) {
  ASSERT_TRUE(cupsd_.SetDeviceFault("stop media-empty-error"));
  StartCupsClient();
  PrintStandardOrder();
  ASSERT_TRUE(WaitForNotice("缺纸")) << client_->notice().text();
  EXPECT_EQ(client_->notice().text(), "小票未打出（单号 A1024）：打印机缺纸");
  EXPECT_TRUE(cupsd_.PrintedJobs().empty());
  EXPECT_EQ(cupsd_.ActiveJobs(), 1);
  EXPECT_EQ(Newest().state, ReceiptState::kHeld);

  ASSERT_TRUE(cupsd_.SetDeviceFault(""));
  ASSERT_TRUE(cupsd_.Admin("cupsenable"));
  ExpectPrintedStays(1);
  EXPECT_TRUE(SpinUntil([&] { return !client_->notice().visible(); }, 5000))
      << client_->notice().text();
  EXPECT_EQ(Newest().state, ReceiptState::kPrinted);
}

TEST_F(PrinterFaultTest, AbortedJobIsToldAndReprintGivesOneWholeJobWithTheSameText) {
  ASSERT_TRUE(cupsd_.SetDeviceFault("fail"));
  StartCupsClient();
  PrintStandardOrder();
  ASSERT_TRUE(WaitForNotice("小票未打出（单号 A1024）：")) << client_->notice().text();
  EXPECT_EQ(Newest().state, ReceiptState::kLost);
  const std::vector<std::u16string> lines = Newest().lines;

  ASSERT_TRUE(cupsd_.SetDeviceFault(""));
  ClickReprint();
  ExpectPrintedStays(1);
  const std::vector<int> jobs = cupsd_.PrintedJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(cupsd_.JobName(jobs[0]), "消费小票 A1024");
  EXPECT_EQ(SqueezedText(cupsd_.JobPdfPath(jobs[0])), SqueezedLines(lines));
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
}

TEST_F(PrinterFaultTest, ReprintWhileTheOldJobIsHeldCancelsItAndOneCopyArrives) {
  ASSERT_TRUE(cupsd_.SetDeviceFault("stop media-empty-error"));
  StartCupsClient();
  PrintStandardOrder();
  ASSERT_TRUE(WaitForNotice("缺纸")) << client_->notice().text();
  const int held_job = Newest().job_id;

  // Reprint is refused while the queue is stopped: the held job is kept.
  ClickReprint();
  EXPECT_THAT(client_->notice().text(), HasSubstr("请先恢复打印机"));
  EXPECT_EQ(cupsd_.ActiveJobs(), 1);

  // The operator holds the job and mends the printer; the job stays held.
  ASSERT_TRUE(cupsd_.HoldJob(held_job));
  ASSERT_TRUE(cupsd_.SetDeviceFault(""));
  ASSERT_TRUE(cupsd_.Admin("cupsenable"));
  SpinFor(1000);
  ASSERT_TRUE(cupsd_.PrintedJobs().empty());

  ClickReprint();
  ExpectPrintedStays(1);
  EXPECT_NE(cupsd_.PrintedJobs().front(), held_job);
  const auto& receipts = client_->receipts().history().receipts();
  ASSERT_EQ(receipts.size(), 2u);
  EXPECT_EQ(receipts[1].state, ReceiptState::kReplaced);
  EXPECT_EQ(receipts[0].lines, receipts[1].lines);
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
}

TEST_F(PrinterFaultTest, CtrlPPrintsTheLastReceiptAgainAndNothingBeforeTheFirst) {
  StartCupsClient();
  EXPECT_TRUE(PressKey(client_->window(), GDK_KEY_p, GDK_CONTROL_MASK));
  SpinFor(1000);
  EXPECT_TRUE(cupsd_.PrintedJobs().empty());
  EXPECT_EQ(cupsd_.ActiveJobs(), 0);

  PrintStandardOrder();
  ASSERT_TRUE(cupsd_.WaitForPrinted(1, 10000));
  EXPECT_TRUE(PressKey(client_->window(), GDK_KEY_p, GDK_CONTROL_MASK));
  ExpectPrintedStays(2);
  const std::vector<int> jobs = cupsd_.PrintedJobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(cupsd_.JobName(jobs[1]), cupsd_.JobName(jobs[0]));
  const std::string first = SqueezedText(cupsd_.JobPdfPath(jobs[0]));
  EXPECT_THAT(first, HasSubstr("单号:A1024"));
  EXPECT_EQ(SqueezedText(cupsd_.JobPdfPath(jobs[1])), first) << "settlement time included";
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
}

// Following runs on the user-interface thread: a scheduler that stops
// answering while a held receipt is followed costs one bounded request at a
// time, and following carries on once it answers again.
TEST_F(PrinterFaultTest, FollowingOnAHungSchedulerStallsTheWindowOneBoundedRequestAtMost) {
  ASSERT_TRUE(cupsd_.SetDeviceFault("stop media-empty-error"));
  StartCupsClient();
  PrintStandardOrder();
  ASSERT_TRUE(WaitForNotice("缺纸")) << client_->notice().text();

  {
    StallMeter meter;
    cupsd_.Hang();
    SpinFor(6000);
    RecordProperty("longest_main_loop_stall_ms", meter.longest_ms());
  }
  cupsd_.Resume();
  EXPECT_EQ(Newest().state, ReceiptState::kHeld);

  ASSERT_TRUE(cupsd_.SetDeviceFault(""));
  ASSERT_TRUE(cupsd_.Admin("cupsenable"));
  ExpectPrintedStays(1);
  EXPECT_TRUE(SpinUntil([&] { return !client_->notice().visible(); }, 20000))
      << client_->notice().text();
}

}  // namespace
}  // namespace pellomar::testing
