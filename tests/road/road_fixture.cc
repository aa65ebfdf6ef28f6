#include "tests/road/road_fixture.h"

#include <cups/cups.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <utility>

#include "base/text.h"
#include "platform/cups/cups_page_printer.h"
#include "tests/support/client_fixture.h"
#include "tests/support/pdf_words.h"

namespace pellomar::testing {

namespace fs = std::filesystem;

namespace {

constexpr int kReceiptColumns = 29;

int ActiveJobsTitled(const std::string& queue, const std::string& title) {
  cupsSetServer(nullptr);  // the server as the environment names it now
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
  int titled = 0;
  for (int i = 0; i < count; ++i) titled += title == jobs[i].title;
  cupsFreeJobs(count, jobs);
  return titled;
}

bool IsRule(const std::vector<PdfWord>& line) {
  return line.size() == 1 && line[0].text == std::string(kReceiptColumns, '-');
}

}  // namespace

void RoadTest::SetUp() {
  queue_ = Env("PELLOMAR_TEST_PRINTER");
  spool_ = CaptureSpool(Env("PELLOMAR_TEST_SPOOL"));
  if (queue_.empty() || spool_.folder().empty()) {
    GTEST_SKIP() << "no test queue: PELLOMAR_TEST_PRINTER and PELLOMAR_TEST_SPOOL are set by "
                    "scripts/test (scripts/lib/start-cups.sh)";
  }
  env_.Set("PRINTER", queue_);
  env_.Unset("LPDEST");
  env_.Unset("CUPS_SERVER");
  // A Chinese desktop: amounts and the settlement time as zh_CN writes them.
  env_.Set("LC_ALL", "zh_CN.UTF-8");
  const std::vector<int> before = spool_.Jobs();
  before_ = std::set<int>(before.begin(), before.end());
  printer_ = MakeCupsPagePrinter();
}

void RoadTest::TearDown() {
  client_.reset();
  SpinFor(50);
}

void RoadTest::StartClient(const std::string& service_host) {
  PellomarClient::Options options;
  options.completion_handled = [this](std::u16string_view url, const DocumentSnapshot*) {
    completions_.push_back(Utf16ToUtf8(url));
  };
  client_ = pellomar::StartClient(Utf8ToUtf16(service_host), *printer_, std::move(options));
}

bool RoadTest::WaitForCompletion(std::string_view url_part, std::size_t after, int timeout_ms) {
  return SpinUntil(
      [&] {
        for (std::size_t i = after; i < completions_.size(); ++i) {
          if (completions_[i].find(url_part) != std::string::npos) return true;
        }
        return false;
      },
      timeout_ms);
}

std::vector<int> RoadTest::NewJobsTitled(const std::string& title) const {
  std::vector<int> jobs;
  for (int id : spool_.Jobs()) {
    if (!before_.contains(id) && JobName(id) == title) jobs.push_back(id);
  }
  return jobs;
}

std::vector<int> RoadTest::WaitForJobs(std::size_t count, const std::string& title) {
  EXPECT_TRUE(SpinUntil([&] { return NewJobsTitled(title).size() >= count; }, 60000))
      << "fewer than " << count << " jobs \"" << title << "\" arrived in " << spool_.folder();
  EXPECT_TRUE(SpinUntil([&] { return ActiveJobsTitled(queue_, title) == 0; }, 60000))
      << queue_ << " still holds jobs \"" << title << "\"";
  return NewJobsTitled(title);
}

std::string RoadTest::JobPdf(int id) const { return spool_.DocumentPath(id); }

std::string RoadTest::JobName(int id) const { return spool_.Title(id); }

void RoadTest::KeepPdf(int id, const std::string& file_name) const {
  std::error_code error;
  fs::copy_file(JobPdf(id), fs::path(PELLOMAR_ROAD_OUTPUT_DIR) / file_name,
                fs::copy_options::overwrite_existing, error);
  EXPECT_FALSE(error) << "cannot keep " << file_name << ": " << error.message();
}

std::string RoadTest::NoticeText() const {
  return client_->notice().visible() ? client_->notice().text() : std::string();
}

std::vector<std::string> PrintedLines(const std::string& pdf_path) {
  const std::vector<PdfPage> pages = ReadPdfWords(pdf_path);
  // The first rule starts in column 0 and spans all columns.
  std::optional<std::pair<double, double>> grid;  // left edge, column width
  for (const PdfPage& page : pages) {
    for (const auto& line : LinesOf(page)) {
      if (!grid && IsRule(line)) {
        grid.emplace(line[0].x_min, (line[0].x_max - line[0].x_min) / kReceiptColumns);
      }
    }
  }
  if (!grid) {
    ADD_FAILURE() << pdf_path << " shows no rule line";
    return {};
  }
  const auto [left, column_width] = *grid;
  std::vector<std::string> lines;
  for (const PdfPage& page : pages) {
    for (const auto& words : LinesOf(page)) {
      std::string text;
      for (const PdfWord& word : words) {
        const long column = std::lround((word.x_min - left) / column_width);
        const long pad = column - ColumnsOf(text);
        if (pad > 0) {
          text.append(pad, ' ');
        } else if (!text.empty()) {
          text += ' ';  // overlapping the word before: keep them apart, so it shows
        }
        text += word.text;
      }
      lines.push_back(std::move(text));
    }
  }
  return lines;
}

std::vector<std::string> VisibleLines(const std::vector<std::string>& receipt_lines) {
  std::vector<std::string> visible;
  for (const std::string& line : receipt_lines) {
    const std::size_t end = line.find_last_not_of(' ');
    if (end != std::string::npos) visible.push_back(line.substr(0, end + 1));
  }
  return visible;
}

int PageCount(const std::string& pdf_path) {
  return static_cast<int>(ReadPdfWords(pdf_path).size());
}

}  // namespace pellomar::testing
