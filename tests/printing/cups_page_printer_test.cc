// Prints through the real scheduler onto the test suite's capture queues
// (started by scripts/lib/start-cups.sh), choosing the queue through PRINTER.
#include "platform/cups/cups_page_printer.h"

#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "tests/printing/receipt_fixture.h"
#include "tests/support/capture_spool.h"
#include "tests/support/escpos_text.h"
#include "tests/support/loopback_port.h"
#include "tests/support/pdf_words.h"
#include "tests/support/private_cupsd.h"
#include "tests/support/scoped_env.h"

namespace pellomar {
namespace {

namespace fs = std::filesystem;

using testing::CaptureSpool;
using testing::Env;
using testing::LoopbackPort;
using testing::ScopedEnv;

int ActiveJobs(const std::string& queue) {
  cupsSetServer(nullptr);
  cups_job_t* jobs = nullptr;
  int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
  cupsFreeJobs(count, jobs);
  return count;
}

// The media the scheduler holds for a job.
std::string JobMedia(int id) {
  cupsSetServer(nullptr);
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  const std::string uri = "ipp://localhost/jobs/" + std::to_string(id);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ipp_t* answer = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  std::string media;
  if (ipp_attribute_t* attr = ippFindAttribute(answer, "media", IPP_TAG_ZERO)) {
    if (const char* value = ippGetString(attr, 0, nullptr)) media = value;
  }
  ippDelete(answer);
  return media;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

std::string EmptyFolder() {
  std::string pattern = (fs::temp_directory_path() / "pellomar-home-XXXXXX").string();
  return mkdtemp(pattern.data()) != nullptr ? pattern : "/nonexistent";
}

// An order number of this process's own: other programs print on the shared
// queues too, some of them this very test.
std::string Own(const std::string& order) { return order + "-" + std::to_string(getpid()); }

PrintResult Print(PagePrinter& printer, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) printer.PrintLine(Utf8ToUtf16(line));
  return printer.EndDocument();
}

// A receipt's lines as words, blank lines as empty rows, from its first line
// with words on (blank rows above it leave no trace in the PDF's text).
std::vector<std::vector<std::string>> ExpectedWords(const std::vector<std::string>& lines) {
  std::vector<std::vector<std::string>> words;
  for (const std::string& line : lines) {
    if (words.empty() && testing::WordsOf(line).empty()) continue;
    words.push_back(testing::WordsOf(line));
  }
  while (!words.empty() && words.back().empty()) words.pop_back();
  return words;
}

std::vector<std::vector<std::string>> PrintedWords(const std::string& pdf_path) {
  std::vector<std::vector<std::string>> words;
  for (const auto& page : testing::ReadPdfWords(pdf_path)) {
    for (auto& row : testing::RowsOf(page)) words.push_back(std::move(row));
  }
  return words;
}

class CupsPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    queue_ = Env("PELLOMAR_TEST_PRINTER");
    spool_ = CaptureSpool(Env("PELLOMAR_TEST_SPOOL"));
    if (queue_.empty() || spool_.folder().empty()) {
      GTEST_SKIP() << "no test queue: run through scripts/test (scripts/lib/start-cups.sh)";
    }
    env_.Set("PRINTER", queue_);
    env_.Unset("LPDEST");
    env_.Unset("CUPS_SERVER");
    const std::vector<int> before = spool_.Jobs();
    before_ = std::set<int>(before.begin(), before.end());
  }

  // Prints on another of the test queues, named by its variable.
  void UseQueue(const char* variable) {
    queue_ = Env(variable);
    if (queue_.empty()) GTEST_SKIP() << variable << " is not set";
    env_.Set("PRINTER", queue_);
  }

  std::string JobPath(int id) const { return spool_.DocumentPath(id); }
  std::string JobName(int id) const { return spool_.Title(id); }

  // Waits until a job of that name has arrived; returns every job that has
  // arrived since the test began, in order.
  std::vector<int> WaitForJobNamed(const std::string& name) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      std::vector<int> arrived;
      for (int id : spool_.Jobs()) {
        if (!before_.contains(id)) arrived.push_back(id);
      }
      for (int id : arrived) {
        if (JobName(id) == name) return arrived;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ADD_FAILURE() << "no job named " << name << " arrived";
    return {};
  }

  // The jobs of that title among those that have arrived: other programs
  // may print on the shared queues meanwhile.
  std::vector<int> Titled(const std::vector<int>& jobs, const std::string& name) const {
    std::vector<int> titled;
    for (int id : jobs) {
      if (JobName(id) == name) titled.push_back(id);
    }
    return titled;
  }

  std::string queue_;
  CaptureSpool spool_;
  std::set<int> before_;
  ScopedEnv env_;
  std::unique_ptr<PagePrinter> printer_ = MakeCupsPagePrinter();
};

TEST_F(CupsPrinterTest, OneDocumentIsOneJobCarryingTheReceiptAsPdf) {
  const auto receipt = testing::SampleReceipt(Own("A-1027"));
  PrintResult result = Print(*printer_, receipt);
  ASSERT_TRUE(result.ok()) << result.detail;

  const std::string title = "消费小票 " + Own("A-1027");
  std::vector<int> jobs = Titled(WaitForJobNamed(title), title);
  ASSERT_EQ(jobs.size(), 1u);
  const std::string pdf = JobPath(jobs[0]);
  EXPECT_TRUE(testing::ReadFile(pdf).starts_with("%PDF-"));
  fs::copy_file(pdf, std::string(PELLOMAR_TEST_OUTPUT_DIR) + "/receipt-sample.pdf",
                fs::copy_options::overwrite_existing);

  EXPECT_EQ(PrintedWords(pdf), ExpectedWords(receipt));
  // The page is the queue's default medium, a 58 x 210 mm sheet.
  auto pages = testing::ReadPdfWords(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NEAR(pages[0].width, 58 / 25.4 * 72, 0.01);
  EXPECT_NEAR(pages[0].height, 210 / 25.4 * 72, 0.01);
}

constexpr double kPointsPerMm = 72 / 25.4;

TEST_F(CupsPrinterTest, SheetOf80By297KeepsItsSize) {
  UseQueue("PELLOMAR_TEST_SHEET80_PRINTER");
  const auto receipt = testing::SampleReceipt(Own("S-80"));
  ASSERT_TRUE(Print(*printer_, receipt).ok());
  std::vector<int> jobs =
      Titled(WaitForJobNamed("消费小票 " + Own("S-80")), "消费小票 " + Own("S-80"));
  ASSERT_EQ(jobs.size(), 1u);
  const auto pages = testing::ReadPdfWords(JobPath(jobs[0]));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NEAR(pages[0].width, 80 * kPointsPerMm, 0.01);
  EXPECT_NEAR(pages[0].height, 297 * kPointsPerMm, 0.01);
  EXPECT_EQ(PrintedWords(JobPath(jobs[0])), ExpectedWords(receipt));
}

std::vector<std::string> ReceiptWithItems(const std::string& order, int items) {
  std::vector<std::string> lines = testing::SampleReceipt(order);
  std::vector<std::string> item_lines;
  for (int i = 0; i < items; ++i) {
    item_lines.push_back("Dish" + std::to_string(i) + "         1p      8.00");
  }
  lines.insert(lines.begin() + 10, item_lines.begin(), item_lines.end());
  return lines;
}

// A 58 mm roll that takes pages from 1 inch to 3276 mm, with 2 mm margins at
// the top and bottom: each receipt is one page, as long as its lines.
TEST_F(CupsPrinterTest, RollPageIsCutToTheReceipt) {
  UseQueue("PELLOMAR_TEST_ROLL_PRINTER");
  const double margin = 2 * kPointsPerMm;
  for (int items : {3, 200}) {
    const std::string order = Own("R-" + std::to_string(items));
    const auto receipt = ReceiptWithItems(order, items);
    ASSERT_TRUE(Print(*printer_, receipt).ok());
    std::vector<int> jobs = Titled(WaitForJobNamed("消费小票 " + order), "消费小票 " + order);
    ASSERT_EQ(jobs.size(), 1u);
    const std::string pdf = JobPath(jobs.back());
    fs::copy_file(pdf, std::string(PELLOMAR_TEST_OUTPUT_DIR) + "/receipt-roll-" + order + ".pdf",
                  fs::copy_options::overwrite_existing);

    const auto pages = testing::ReadPdfWords(pdf);
    ASSERT_EQ(pages.size(), 1u) << order;
    EXPECT_EQ(PrintedWords(pdf), ExpectedWords(receipt)) << order;
    EXPECT_NEAR(pages[0].width, 58 * kPointsPerMm, 0.01);
    // The line pitch, from two neighbouring lines ("单号:" and "厅台号:").
    const auto lines = testing::LinesOf(pages[0]);
    ASSERT_GE(lines.size(), 3u);
    const double pitch = lines[2].front().y_min - lines[1].front().y_min;
    EXPECT_LE(pages[0].height, margin + receipt.size() * pitch + margin + 0.01 * kPointsPerMm)
        << order;
    EXPECT_GE(pages[0].height, lines.back().front().y_max) << order;
    // Asked for as a custom size of that length.
    const double length_mm = pages[0].height / kPointsPerMm;
    char media[64];
    std::snprintf(media, sizeof media, "custom_58x%.2fmm", length_mm);
    EXPECT_EQ(JobMedia(jobs.back()).rfind(media, 0), 0u) << JobMedia(jobs.back()) << " " << media;
  }
}

TEST_F(CupsPrinterTest, RawQueueGetsTheLinesInGb18030BetweenInitialiseAndCut) {
  UseQueue("PELLOMAR_TEST_RAW_PRINTER");
  const auto first = testing::SampleReceipt(Own("E-1"));
  const auto second = testing::SampleReceipt(Own("E-2"));
  ASSERT_TRUE(Print(*printer_, first).ok());
  ASSERT_TRUE(Print(*printer_, second).ok());
  const std::vector<int> arrived = WaitForJobNamed("消费小票 " + Own("E-2"));
  // The queue takes its jobs in order: the first has arrived with the second.
  const std::vector<int> firsts = Titled(arrived, "消费小票 " + Own("E-1"));
  const std::vector<int> seconds = Titled(arrived, "消费小票 " + Own("E-2"));
  ASSERT_EQ(firsts.size(), 1u);
  ASSERT_EQ(seconds.size(), 1u);
  const int jobs[] = {firsts[0], seconds[0]};

  const std::vector<std::string>* receipts[] = {&first, &second};
  for (std::size_t j = 0; j < 2; ++j) {
    const std::string job = testing::ReadFile(JobPath(jobs[j]));
    const auto lines = testing::EscPosLines(job);
    ASSERT_TRUE(lines) << "not framed by initialise and feed-and-cut";
    const std::vector<std::string>& receipt = *receipts[j];
    ASSERT_EQ(lines->size(), receipt.size());
    std::string text;
    for (std::size_t i = 0; i < receipt.size(); ++i) {
      text += testing::Gb18030ToUtf8((*lines)[i]) + "\n";
      EXPECT_EQ(testing::Gb18030ToUtf8((*lines)[i]), receipt[i]);
      EXPECT_EQ(static_cast<int>((*lines)[i].size()), testing::ColumnsOf(receipt[i])) << receipt[i];
    }
    testing::WriteFile(
        std::string(PELLOMAR_TEST_OUTPUT_DIR) + "/receipt-raw-" + std::to_string(j + 1) + ".txt",
        text);
  }
}

TEST_F(CupsPrinterTest, RawQueuePrintsAStandInForACharacterBeyondTwoBytes) {
  UseQueue("PELLOMAR_TEST_RAW_PRINTER");
  auto receipt = testing::SampleReceipt(Own("E-3"));
  receipt[11] = "冷面한식      1碗     38.00";
  ASSERT_TRUE(Print(*printer_, receipt).ok());
  std::vector<int> jobs =
      Titled(WaitForJobNamed("消费小票 " + Own("E-3")), "消费小票 " + Own("E-3"));
  ASSERT_EQ(jobs.size(), 1u);
  const auto lines = testing::EscPosLines(testing::ReadFile(JobPath(jobs[0])));
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->size(), receipt.size());
  EXPECT_EQ(testing::Gb18030ToUtf8((*lines)[11]), "冷面？？      1碗     38.00");
  EXPECT_EQ(static_cast<int>((*lines)[11].size()), testing::ColumnsOf(receipt[11]));
  EXPECT_EQ(testing::Gb18030ToUtf8((*lines)[12]), receipt[12]);
}

// A queue that passes jobs on to a network printer which names no paper:
// the receipt goes on the system's paper size, or, with none, not at all.
TEST(CupsNoPaperSizeTest, SystemPaperSizeOrANoticeThatThereIsNone) {
  testing::PrivateCupsd cupsd;
  ASSERT_EQ(cupsd.error(), "");
  cupsd.UseQueue(testing::PrivateCupsd::kRemoteQueue);
  std::unique_ptr<PagePrinter> printer = MakeCupsPagePrinter();
  {
    ScopedEnv env;
    const std::string papersize = std::string(PELLOMAR_TEST_OUTPUT_DIR) + "/papersize-a5";
    testing::WriteFile(papersize, "a5\n");
    env.Set("PAPERCONF", papersize);
    const PrintResult result = Print(*printer, testing::SampleReceipt("P-1"));
    ASSERT_TRUE(result.ok()) << result.detail;
    ASSERT_TRUE(cupsd.WaitForPrinted(1, 20000));
    const std::vector<int> jobs = cupsd.PrintedJobs();
    ASSERT_EQ(jobs.size(), 1u);
    const auto pages = testing::ReadPdfWords(cupsd.JobPdfPath(jobs[0]));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NEAR(pages[0].width, 148 * kPointsPerMm, 0.5);
    EXPECT_NEAR(pages[0].height, 210 * kPointsPerMm, 0.5);
    EXPECT_EQ(PrintedWords(cupsd.JobPdfPath(jobs[0])),
              ExpectedWords(testing::SampleReceipt("P-1")));
  }
  {
    ScopedEnv env;
    env.Set("PAPERCONF", "/nonexistent/papersize");
    const PrintResult result = Print(*printer, testing::SampleReceipt("P-2"));
    EXPECT_EQ(result.error, PrintError::kNoPaperSize) << result.detail;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(cupsd.PrintedJobs().size(), 1u);
    EXPECT_EQ(cupsd.ActiveJobs(), 0);
  }
}

TEST_F(CupsPrinterTest, TwoDocumentsAreTwoJobsEachWithOnlyItsOwnLines) {
  ASSERT_TRUE(Print(*printer_, testing::SampleReceipt(Own("B-1"))).ok());
  ASSERT_TRUE(Print(*printer_, testing::SampleReceipt(Own("B-2"))).ok());

  const std::vector<int> arrived = WaitForJobNamed("消费小票 " + Own("B-2"));
  const std::vector<int> firsts = Titled(arrived, "消费小票 " + Own("B-1"));
  const std::vector<int> seconds = Titled(arrived, "消费小票 " + Own("B-2"));
  ASSERT_EQ(firsts.size(), 1u);
  ASSERT_EQ(seconds.size(), 1u);
  EXPECT_LT(firsts[0], seconds[0]);
  EXPECT_EQ(PrintedWords(JobPath(firsts[0])), ExpectedWords(testing::SampleReceipt(Own("B-1"))));
  EXPECT_EQ(PrintedWords(JobPath(seconds[0])), ExpectedWords(testing::SampleReceipt(Own("B-2"))));
}

struct FailureCase {
  const char* name;
  // Breaks the way to the printer for as long as the returned guard lives.
  std::function<std::shared_ptr<void>(ScopedEnv&)> arrange;
  PrintError expected;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class CupsPrinterFailureTest : public CupsPrinterTest,
                               public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CupsPrinterFailureTest, ReportsTheKindSendsNothingAndTheNextDocumentPrints) {
  {
    ScopedEnv broken;
    std::shared_ptr<void> guard = GetParam().arrange(broken);
    if (!guard) GTEST_SKIP() << "this machine has a default printer of its own";

    PrintResult result = Print(*printer_, testing::SampleReceipt(Own("F-1")));
    EXPECT_EQ(result.error, GetParam().expected) << result.detail;
    EXPECT_FALSE(result.detail.empty());
  }
  EXPECT_EQ(ActiveJobs(Env("PELLOMAR_TEST_REJECTING_PRINTER")), 0);
  EXPECT_EQ(ActiveJobs(Env("PELLOMAR_TEST_STOPPED_PRINTER")), 0);

  PrintResult next = Print(*printer_, testing::SampleReceipt(Own("F-2")));
  ASSERT_TRUE(next.ok()) << next.detail;
  const std::vector<int> arrived = WaitForJobNamed("消费小票 " + Own("F-2"));
  EXPECT_TRUE(Titled(arrived, "消费小票 " + Own("F-1")).empty())
      << "the failed document reached the spooler too";
  std::vector<int> jobs = Titled(arrived, "消费小票 " + Own("F-2"));
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(PrintedWords(JobPath(jobs[0])), ExpectedWords(testing::SampleReceipt(Own("F-2"))));
}

// Preparing ahead of the first job, on a way to the printer that is broken,
// says nothing and sends nothing: the first job reports as it would have.
TEST_P(CupsPrinterFailureTest, PreparedAheadIsSilentAndTheFirstJobReports) {
  {
    ScopedEnv broken;
    std::shared_ptr<void> guard = GetParam().arrange(broken);
    if (!guard) GTEST_SKIP() << "this machine has a default printer of its own";

    ::testing::internal::CaptureStderr();
    printer_->Prepare();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    PrintResult result = Print(*printer_, testing::SampleReceipt(Own("F-3")));
    EXPECT_EQ(result.error, GetParam().expected) << result.detail;
    EXPECT_FALSE(result.detail.empty());
  }
  EXPECT_EQ(ActiveJobs(Env("PELLOMAR_TEST_REJECTING_PRINTER")), 0);
  EXPECT_EQ(ActiveJobs(Env("PELLOMAR_TEST_STOPPED_PRINTER")), 0);
}

std::shared_ptr<void> Armed() { return std::make_shared<int>(0); }

const FailureCase kFailures[] = {
    {"PrinterNamesMissingQueue",
     [](ScopedEnv& env) {
       env.Set("PRINTER", "pellomar-test-missing");
       return Armed();
     },
     PrintError::kNoDestination},
    {"NoDefaultAnywhere",
     [](ScopedEnv& env) -> std::shared_ptr<void> {
       env.Unset("PRINTER");
       env.Set("HOME", EmptyFolder());  // no lpoptions of the user
       if (RunCommand("lpstat -d 2>&1").find("no system default") == std::string::npos) {
         return nullptr;
       }
       return Armed();
     },
     PrintError::kNoDestination},
    {"SchedulerNotListening",
     [](ScopedEnv& env) -> std::shared_ptr<void> {
       auto port = std::make_shared<LoopbackPort>(LoopbackPort::State::kClosed);
       env.Set("CUPS_SERVER", port->Server());
       return port;
     },
     PrintError::kUnreachable},
    {"SchedulerNeverAnswers",
     [](ScopedEnv& env) -> std::shared_ptr<void> {
       auto port = std::make_shared<LoopbackPort>(LoopbackPort::State::kListening);
       env.Set("CUPS_SERVER", port->Server());
       return port;
     },
     PrintError::kUnreachable},
    {"QueueRejectsJobs",
     [](ScopedEnv& env) {
       env.Set("PRINTER", Env("PELLOMAR_TEST_REJECTING_PRINTER"));
       return Armed();
     },
     PrintError::kRefused},
    {"QueueStopped",
     [](ScopedEnv& env) {
       env.Set("PRINTER", Env("PELLOMAR_TEST_STOPPED_PRINTER"));
       return Armed();
     },
     PrintError::kRefused},
};

INSTANTIATE_TEST_SUITE_P(Failures, CupsPrinterFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// The printer on a scheduler of the test's own, where the default and the
// queues change while it runs: besides the suite's PDF queue (58 x 210 mm
// sheets) a queue of this test's own on 80 x 297 mm sheets.
class KeptDestinationTest : public ::testing::Test {
 public:
  static constexpr const char* kOwnQueue = "pellomar-issue-15b-sheet80";

  void SetUp() override {
    ASSERT_EQ(cupsd_.error(), "");
    home_ = EmptyFolder();
    env_.Set("HOME", home_);
    ASSERT_TRUE(AddOwnQueue());
  }

  bool Lpadmin(const std::string& arguments) {
    const std::string command = "lpadmin -h " + cupsd_.server() + " " + arguments + " 2>&1";
    const std::string said = RunCommand(command + "; echo \"exit $?\"");
    return said.ends_with("exit 0\n");
  }
  bool AddOwnQueue() {
    return Lpadmin(std::string("-p ") + kOwnQueue + " -E -v pellomar-capture:" + cupsd_.spool() +
                   " -P " PELLOMAR_TEST_PPD " -o PageSize=oe_80x297mm");
  }
  void WriteUserOptions(const std::string& text) {
    fs::create_directories(home_ + "/.cups");
    testing::WriteFile(home_ + "/.cups/lpoptions", text);
  }
  // The scheduler keeps the time of a queue's last change in whole seconds:
  // waiting out the second of the last change lets the printer see the
  // next one as a change.
  static void LetTheSecondPass() { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); }

  struct Printed {
    PrintResult result;
    double width_mm = 0;  // of the page that arrived
  };
  // Prints a receipt of that order number and waits for its document.
  Printed PrintOne(const std::string& order) {
    Printed printed{.result = Print(*printer_, testing::SampleReceipt(order))};
    if (!printed.result.ok()) return printed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      for (int job : cupsd_.PrintedJobs()) {
        if (cupsd_.JobName(job) != "消费小票 " + order) continue;
        const auto pages = testing::ReadPdfWords(cupsd_.JobPdfPath(job));
        if (!pages.empty()) printed.width_mm = pages[0].width / kPointsPerMm;
        return printed;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "receipt " << order << " did not arrive";
    return printed;
  }

  testing::PrivateCupsd cupsd_;
  ScopedEnv env_;
  std::string home_;
  std::unique_ptr<PagePrinter> printer_ = MakeCupsPagePrinter();
};

// A change made while the program runs counts from the next job on, after
// jobs that kept the destination.
struct DefaultChange {
  const char* name;
  std::function<void(KeptDestinationTest&)> arrange;  // before the first job
  std::function<void(KeptDestinationTest&)> change;   // after the second
  const char* first_queue;
  double first_width_mm;
  const char* then_queue;
  double then_width_mm;
};

void PrintTo(const DefaultChange& c, std::ostream* out) { *out << c.name; }

class DefaultChangeTest : public KeptDestinationTest,
                          public ::testing::WithParamInterface<DefaultChange> {};

TEST_P(DefaultChangeTest, CountsFromTheNextJob) {
  const DefaultChange& c = GetParam();
  c.arrange(*this);
  LetTheSecondPass();
  // CUPS reads HOME once in each thread, at its first call there: the jobs
  // run in a thread that starts with the test's own HOME.
  std::thread([&] {
    for (const char* order : {"K-1", "K-2"}) {
      const Printed first = PrintOne(order);
      ASSERT_TRUE(first.result.ok()) << first.result.detail;
      EXPECT_EQ(first.result.destination, c.first_queue) << order;
      EXPECT_NEAR(first.width_mm, c.first_width_mm, 0.1) << order;
    }
    c.change(*this);
    const Printed then = PrintOne("K-3");
    ASSERT_TRUE(then.result.ok()) << then.result.detail;
    EXPECT_EQ(then.result.destination, c.then_queue);
    EXPECT_NEAR(then.width_mm, c.then_width_mm, 0.1);
  }).join();
}

const DefaultChange kDefaultChanges[] = {
    {"SchedulersDefaultMoved",
     [](KeptDestinationTest& t) {
       t.env_.Unset("PRINTER");
       ASSERT_TRUE(t.Lpadmin(std::string("-d ") + testing::PrivateCupsd::kQueue));
     },
     [](KeptDestinationTest& t) {
       ASSERT_TRUE(t.Lpadmin(std::string("-d ") + KeptDestinationTest::kOwnQueue));
     },
     testing::PrivateCupsd::kQueue, 58, KeptDestinationTest::kOwnQueue, 80},
    {"UsersLpoptionsNameAnother",
     [](KeptDestinationTest& t) {
       t.env_.Unset("PRINTER");
       t.WriteUserOptions(std::string("Default ") + testing::PrivateCupsd::kQueue + "\n");
     },
     [](KeptDestinationTest& t) {
       t.WriteUserOptions(std::string("Default ") + KeptDestinationTest::kOwnQueue + "\n");
     },
     testing::PrivateCupsd::kQueue, 58, KeptDestinationTest::kOwnQueue, 80},
    {"QueuesPaperChanged",
     [](KeptDestinationTest& t) { t.env_.Set("PRINTER", KeptDestinationTest::kOwnQueue); },
     [](KeptDestinationTest& t) {
       ASSERT_TRUE(t.Lpadmin(std::string("-p ") + KeptDestinationTest::kOwnQueue +
                             " -o PageSize=oe_58x210mm"));
     },
     KeptDestinationTest::kOwnQueue, 80, KeptDestinationTest::kOwnQueue, 58},
};

INSTANTIATE_TEST_SUITE_P(Changes, DefaultChangeTest, ::testing::ValuesIn(kDefaultChanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeptDestinationTest, DeletedQueueIsNoPrinterAndPrintsOnceAddedAgain) {
  env_.Set("PRINTER", kOwnQueue);
  LetTheSecondPass();
  ASSERT_TRUE(PrintOne("D-1").result.ok());

  ASSERT_TRUE(Lpadmin(std::string("-x ") + kOwnQueue));
  const PrintResult gone = Print(*printer_, testing::SampleReceipt("D-2"));
  EXPECT_EQ(gone.error, PrintError::kNoDestination) << gone.detail;

  ASSERT_TRUE(AddOwnQueue());
  const Printed again = PrintOne("D-3");
  ASSERT_TRUE(again.result.ok()) << again.result.detail;
  EXPECT_EQ(again.result.destination, kOwnQueue);
  EXPECT_NEAR(again.width_mm, 80, 0.1);
}

TEST_F(KeptDestinationTest, KeptConnectionOutlivesASchedulerRestart) {
  ASSERT_TRUE(PrintOne("S-1").result.ok());
  cupsd_.Stop();
  ASSERT_TRUE(cupsd_.Start()) << cupsd_.error();
  const Printed after = PrintOne("S-2");
  ASSERT_TRUE(after.result.ok()) << after.result.detail;
  EXPECT_EQ(after.result.destination, testing::PrivateCupsd::kQueue);
}

// Once prepared, a job of an unchanged destination asks the scheduler one
// question before it creates the job: no connect, no lookup of the
// destination, its info or its paper.
TEST_F(KeptDestinationTest, PreparedPrinterAsksOnceBeforeEachJob) {
  LetTheSecondPass();
  printer_->Prepare();
  for (const char* order : {"Q-1", "Q-2"}) {
    const std::size_t before = cupsd_.AnsweredOperations().size();
    ASSERT_TRUE(PrintOne(order).result.ok());
    std::vector<std::string> asked;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (asked.size() < 3 && std::chrono::steady_clock::now() < deadline) {
      const std::vector<std::string> all = cupsd_.AnsweredOperations();
      asked.assign(all.begin() + static_cast<std::ptrdiff_t>(std::min(before, all.size())),
                   all.end());
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(asked,
              (std::vector<std::string>{"Get-Printer-Attributes", "Create-Job", "Send-Document"}))
        << order;
  }
}

}  // namespace
}  // namespace pellomar
