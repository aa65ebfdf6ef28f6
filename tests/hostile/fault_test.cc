// Faults of the print server and of the engine while the client runs: the
// receipt at the fault is refused with a notice and nothing of it is
// printed; once the fault is gone, the next receipt prints whole.
#include <signal.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>

#include "platform/cups/cups_page_printer.h"
#include "tests/hostile/cups_client_fixture.h"
#include "tests/support/escpos_text.h"
#include "tests/support/pdf_words.h"
#include "tests/support/processes.h"

namespace pellomar::testing {
namespace {

using ::testing::HasSubstr;

// What a printed document shows: the words of a PDF, or the lines of a
// receipt printer's text.
std::string PrintedText(const std::string& path) {
  std::string text;
  if (const auto lines = EscPosLines(ReadFile(path))) {
    for (const std::string& line : *lines) text += Gb18030ToUtf8(line) + "\n";
    return text;
  }
  for (const PdfPage& page : ReadPdfWords(path)) {
    for (const PdfWord& word : page.words) text += word.text + " ";
  }
  return text;
}

class FaultTest : public CupsClientTest {
 protected:
  // Every document the queue printed is a whole receipt of the standard order.
  void ExpectWholeReceipts(std::size_t count) {
    ASSERT_TRUE(cupsd_.WaitForPrinted(count, 10000));
    const std::vector<int> jobs = cupsd_.PrintedJobs();
    ASSERT_EQ(jobs.size(), count);
    for (int job : jobs) {
      EXPECT_EQ(cupsd_.JobName(job), "消费小票 A1024");
      EXPECT_EQ(EscPosLines(ReadFile(cupsd_.JobPdfPath(job))).has_value(), escpos_)
          << "job " << job << " is not what its queue takes";
      const std::string text = PrintedText(cupsd_.JobPdfPath(job));
      EXPECT_THAT(text, HasSubstr("单号:A1024")) << "job " << job;
      EXPECT_THAT(text, HasSubstr("结算时间:")) << "job " << job;
    }
  }
  void ExpectNotice(const std::string& part) {
    EXPECT_TRUE(client_->notice().visible());
    EXPECT_THAT(client_->notice().text(), HasSubstr(part));
    client_->notice().Close();
  }
  // Whether the queue in use is a receipt printer's raw queue.
  bool escpos_ = false;
};

// The faults of the print server hit a receipt printer's raw queue as they hit
// a driver's PDF queue.
struct QueueUnderTest {
  const char* name;
  const char* queue;
};

const QueueUnderTest kQueues[] = {{"Pdf", PrivateCupsd::kQueue}, {"Raw", PrivateCupsd::kRawQueue}};

void PrintTo(const QueueUnderTest& q, std::ostream* out) { *out << q.name; }

class PrinterFaultTest : public FaultTest, public ::testing::WithParamInterface<QueueUnderTest> {
 protected:
  void SetUp() override {
    FaultTest::SetUp();
    cupsd_.UseQueue(GetParam().queue);
    escpos_ = GetParam().queue == std::string(PrivateCupsd::kRawQueue);
  }
};

TEST_P(PrinterFaultTest, SchedulerStoppedThenStartedAgain) {
  StartCupsClient();
  PrintStandardOrder();
  ExpectWholeReceipts(1);

  cupsd_.Stop();
  PrintStandardOrder();
  ExpectNotice("无法连接打印服务");

  ASSERT_TRUE(cupsd_.Start()) << cupsd_.error();
  PrintStandardOrder();
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
  ExpectWholeReceipts(2);
}

// Printing runs on the user-interface thread: a scheduler that accepts the
// connection and then never answers must cost a bounded wait, not a frozen
// window.
TEST_P(PrinterFaultTest, HungSchedulerIsGivenUpWithANotice) {
  StartCupsClient();
  PrintStandardOrder();
  ExpectWholeReceipts(1);

  // The longest time the main loop went without running a 20 ms timer.
  auto last_tick = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration longest_gap{};
  struct Ticker {
    std::chrono::steady_clock::time_point* last;
    std::chrono::steady_clock::duration* longest;
  } ticker{&last_tick, &longest_gap};
  const guint timer = g_timeout_add(
      20,
      [](gpointer data) -> gboolean {
        auto* t = static_cast<Ticker*>(data);
        const auto now = std::chrono::steady_clock::now();
        *t->longest = std::max(*t->longest, now - *t->last);
        *t->last = now;
        return G_SOURCE_CONTINUE;
      },
      &ticker);

  cupsd_.Hang();
  PrintStandardOrder();
  ExpectNotice("无法连接打印服务");
  SpinFor(100);
  g_source_remove(timer);
  RecordProperty(
      "longest_main_loop_stall_ms",
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(longest_gap).count()));
  cupsd_.Resume();

  // The abandoned request leaves no job behind, and printing works again.
  PrintStandardOrder();
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
  ExpectWholeReceipts(2);
  SpinFor(500);
  EXPECT_EQ(cupsd_.PrintedJobs().size(), 2u);
  EXPECT_EQ(cupsd_.ActiveJobs(), 0);
}

INSTANTIATE_TEST_SUITE_P(Queue, PrinterFaultTest, ::testing::ValuesIn(kQueues),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultTest, KilledWebProcessReloadsAndTheNextReceiptPrints) {
  StartCupsClient();
  const std::vector<pid_t> processes = OwnWebProcesses();
  ASSERT_FALSE(processes.empty());
  for (pid_t pid : processes) kill(pid, SIGKILL);
  ASSERT_TRUE(SpinUntil([&] {
    const std::vector<std::string> urls = CompletedUrls();
    return std::count(urls.begin(), urls.end(), Url("/member/index.asp")) == 2;
  }));
  ExpectNotice("重新加载");

  PrintStandardOrder();
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
  ExpectWholeReceipts(1);
}

// The printer of the client, noting when it is asked to prepare.
class WatchedPrinter final : public PagePrinter {
 public:
  WatchedPrinter(PagePrinter& printer, std::function<bool()> window_shown)
      : printer_(printer), window_shown_(std::move(window_shown)) {}
  void PrintLine(std::u16string_view text) override { printer_.PrintLine(text); }
  PrintResult EndDocument() override { return printer_.EndDocument(); }
  void Prepare() override {
    ++prepared;
    shown_when_prepared = window_shown_();
    printer_.Prepare();
  }
  int prepared = 0;
  bool shown_when_prepared = false;

 private:
  PagePrinter& printer_;
  std::function<bool()> window_shown_;
};

// Once the home page has loaded, with the window on the screen, the client
// prepares its printer, once. With no scheduler to be found that says
// nothing; the first receipt tells, as it always did.
TEST_F(FaultTest, PreparingWithNoSchedulerIsSilentAndTheFirstReceiptTells) {
  cupsd_.Stop();
  cups_printer_ = MakeCupsPagePrinter();
  WatchedPrinter printer(*cups_printer_, [this] {
    return client_ && client_->window() && gtk_widget_get_mapped(GTK_WIDGET(client_->window()));
  });
  ::testing::internal::CaptureStderr();
  StartClientOn(printer);
  ASSERT_TRUE(SpinUntil([&] { return printer.prepared > 0; }));
  SpinFor(300);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(printer.shown_when_prepared);
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
  // The one line of a start: the service's origin.
  std::istringstream lines(said);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("pellomar:")) {
      EXPECT_THAT(line, HasSubstr("the service's origin is"));
    }
  }

  PrintStandardOrder();
  ExpectNotice("无法连接打印服务");
  ASSERT_TRUE(cupsd_.Start()) << cupsd_.error();
  PrintStandardOrder();
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
  ExpectWholeReceipts(1);
  EXPECT_EQ(printer.prepared, 1);
}

struct QueueFault {
  const char* name;
  const char* break_tool;
  const char* mend_tool;
};

void PrintTo(const QueueFault& f, std::ostream* out) { *out << f.name; }

class QueueFaultTest
    : public FaultTest,
      public ::testing::WithParamInterface<std::tuple<QueueFault, QueueUnderTest>> {
 protected:
  void SetUp() override {
    FaultTest::SetUp();
    cupsd_.UseQueue(std::get<1>(GetParam()).queue);
    escpos_ = std::get<1>(GetParam()).queue == std::string(PrivateCupsd::kRawQueue);
  }
  const QueueFault& Fault() const { return std::get<0>(GetParam()); }
};

TEST_P(QueueFaultTest, RefusedWhileBrokenPrintsWhenMended) {
  StartCupsClient();
  ASSERT_TRUE(cupsd_.Admin(Fault().break_tool));
  PrintStandardOrder();
  ExpectNotice("打印机拒绝了打印任务");
  SpinFor(300);
  EXPECT_TRUE(cupsd_.PrintedJobs().empty());
  EXPECT_EQ(cupsd_.ActiveJobs(), 0);

  ASSERT_TRUE(cupsd_.Admin(Fault().mend_tool));
  PrintStandardOrder();
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
  ExpectWholeReceipts(1);
}

INSTANTIATE_TEST_SUITE_P(
    Queue, QueueFaultTest,
    ::testing::Combine(::testing::Values(QueueFault{"Disabled", "cupsdisable", "cupsenable"},
                                         QueueFault{"Rejecting", "cupsreject", "cupsaccept"}),
                       ::testing::ValuesIn(kQueues)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
    });

}  // namespace
}  // namespace pellomar::testing
