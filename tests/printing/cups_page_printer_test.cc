// Prints through the real scheduler onto the test suite's capture queues
// (started by scripts/lib/start-cups.sh), choosing the queue through PRINTER.
#include "platform/cups/cups_page_printer.h"

#include <arpa/inet.h>
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
#include "tests/printing/pdf_words.h"
#include "tests/printing/receipt_fixture.h"

namespace pellomar {
namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Sets and unsets variables for one scope, restoring them afterwards.
class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }
  void Set(const std::string& name, const std::string& value) {
    Save(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Save(name);
    unsetenv(name.c_str());
  }

 private:
  void Save(const std::string& name) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A TCP port on the loopback: listening without ever answering (a hung
// scheduler), or closed again (no scheduler at all).
class LoopbackPort {
 public:
  explicit LoopbackPort(bool keep_listening) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), length);
    listen(fd_, 8);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (!keep_listening) Close();
  }
  ~LoopbackPort() { Close(); }
  std::string Server() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int fd_ = -1;
  int port_ = 0;
};

std::set<int> JobIds(const std::string& spool) {
  std::set<int> ids;
  for (const auto& entry : fs::directory_iterator(spool)) {
    std::string name = entry.path().filename();
    if (name.starts_with("job-") && name.ends_with(".pdf")) {
      ids.insert(std::stoi(name.substr(4, name.size() - 8)));
    }
  }
  return ids;
}

int ActiveJobs(const std::string& queue) {
  cupsSetServer(nullptr);
  cups_job_t* jobs = nullptr;
  int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
  cupsFreeJobs(count, jobs);
  return count;
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

PrintResult Print(PagePrinter& printer, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) printer.PrintLine(Utf8ToUtf16(line));
  return printer.EndDocument();
}

// The non-empty lines of a receipt as words, the way the PDF's text reads.
std::vector<std::vector<std::string>> ExpectedWords(const std::vector<std::string>& lines) {
  std::vector<std::vector<std::string>> words;
  for (const std::string& line : lines) {
    if (!testing::WordsOf(line).empty()) words.push_back(testing::WordsOf(line));
  }
  return words;
}

std::vector<std::vector<std::string>> PrintedWords(const std::string& pdf_path) {
  std::vector<std::vector<std::string>> words;
  for (const auto& page : testing::ReadPdfWords(pdf_path)) {
    for (const auto& line : testing::LinesOf(page)) {
      words.emplace_back();
      for (const auto& word : line) words.back().push_back(word.text);
    }
  }
  return words;
}

class CupsPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    queue_ = Env("PELLOMAR_TEST_PRINTER");
    spool_ = Env("PELLOMAR_TEST_SPOOL");
    if (queue_.empty() || spool_.empty()) {
      GTEST_SKIP() << "no test queue: run through scripts/test (scripts/lib/start-cups.sh)";
    }
    env_.Set("PRINTER", queue_);
    env_.Unset("LPDEST");
    env_.Unset("CUPS_SERVER");
    before_ = JobIds(spool_);
  }

  std::string JobPath(int id, const char* ext) const {
    return spool_ + "/job-" + std::to_string(id) + ext;
  }
  std::string JobName(int id) const { return testing::ReadFile(JobPath(id, ".name")); }

  // Waits until a job of that name has arrived; returns every job that has
  // arrived since the test began, in order.
  std::vector<int> WaitForJobNamed(const std::string& name) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      std::vector<int> arrived;
      for (int id : JobIds(spool_)) {
        if (!before_.contains(id)) arrived.push_back(id);
      }
      for (int id : arrived) {
        if (JobName(id) == name + "\n") return arrived;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ADD_FAILURE() << "no job named " << name << " arrived";
    return {};
  }

  std::string queue_, spool_;
  std::set<int> before_;
  ScopedEnv env_;
  std::unique_ptr<PagePrinter> printer_ = MakeCupsPagePrinter();
};

TEST_F(CupsPrinterTest, OneDocumentIsOneJobCarryingTheReceiptAsPdf) {
  const auto receipt = testing::SampleReceipt("A-1027");
  PrintResult result = Print(*printer_, receipt);
  ASSERT_TRUE(result.ok()) << result.detail;

  std::vector<int> jobs = WaitForJobNamed("消费小票 A-1027");
  ASSERT_EQ(jobs.size(), 1u);
  const std::string pdf = JobPath(jobs[0], ".pdf");
  EXPECT_TRUE(testing::ReadFile(pdf).starts_with("%PDF-"));
  fs::copy_file(pdf, std::string(PELLOMAR_TEST_OUTPUT_DIR) + "/receipt-sample.pdf",
                fs::copy_options::overwrite_existing);

  EXPECT_EQ(PrintedWords(pdf), ExpectedWords(receipt));
  // The page is the queue's default medium, a 58 mm roll.
  auto pages = testing::ReadPdfWords(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NEAR(pages[0].width, 58 / 25.4 * 72, 0.01);
}

TEST_F(CupsPrinterTest, TwoDocumentsAreTwoJobsEachWithOnlyItsOwnLines) {
  ASSERT_TRUE(Print(*printer_, testing::SampleReceipt("B-1")).ok());
  ASSERT_TRUE(Print(*printer_, testing::SampleReceipt("B-2")).ok());

  std::vector<int> jobs = WaitForJobNamed("消费小票 B-2");
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(JobName(jobs[0]), "消费小票 B-1\n");
  EXPECT_EQ(PrintedWords(JobPath(jobs[0], ".pdf")), ExpectedWords(testing::SampleReceipt("B-1")));
  EXPECT_EQ(PrintedWords(JobPath(jobs[1], ".pdf")), ExpectedWords(testing::SampleReceipt("B-2")));
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

    PrintResult result = Print(*printer_, testing::SampleReceipt("F-1"));
    EXPECT_EQ(result.error, GetParam().expected) << result.detail;
    EXPECT_FALSE(result.detail.empty());
  }
  EXPECT_EQ(ActiveJobs(Env("PELLOMAR_TEST_REJECTING_PRINTER")), 0);
  EXPECT_EQ(ActiveJobs(Env("PELLOMAR_TEST_STOPPED_PRINTER")), 0);

  PrintResult next = Print(*printer_, testing::SampleReceipt("F-2"));
  ASSERT_TRUE(next.ok()) << next.detail;
  std::vector<int> jobs = WaitForJobNamed("消费小票 F-2");
  ASSERT_EQ(jobs.size(), 1u) << "the failed document reached the spooler too";
  EXPECT_EQ(PrintedWords(JobPath(jobs[0], ".pdf")), ExpectedWords(testing::SampleReceipt("F-2")));
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
       auto port = std::make_shared<LoopbackPort>(false);
       env.Set("CUPS_SERVER", port->Server());
       return port;
     },
     PrintError::kUnreachable},
    {"SchedulerNeverAnswers",
     [](ScopedEnv& env) -> std::shared_ptr<void> {
       auto port = std::make_shared<LoopbackPort>(true);
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

}  // namespace
}  // namespace pellomar
