// The whole client in the test process, printing on the real default CUPS
// destination: the test suite's capture queue, chosen through PRINTER. Each
// job the queue takes lands as a PDF in the spool folder, where the cases
// read its text back by columns.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gtk/pellomar_client.h"
#include "receipt/page_printer.h"
#include "tests/support/capture_spool.h"
#include "tests/support/scoped_env.h"

namespace pellomar::testing {

class RoadTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the client on service_host ("address:port") with the CUPS printer.
  void StartClient(const std::string& service_host);

  // Completions handled so far; pass it to WaitForCompletion as `after`.
  std::size_t Mark() const { return completions_.size(); }
  // Waits for a completion, after the mark, whose address contains url_part.
  bool WaitForCompletion(std::string_view url_part, std::size_t after, int timeout_ms = 15000);

  // Waits until `count` jobs of that title have arrived in the spool since
  // the case began and the queue holds no more of them; returns every one
  // that arrived. Jobs of other titles (other programs') are left out.
  std::vector<int> WaitForJobs(std::size_t count, const std::string& title);
  std::string JobPdf(int id) const;
  std::string JobName(int id) const;  // the job's title
  // Copies a job's document into the build folder, for people to look at.
  void KeepPdf(int id, const std::string& file_name) const;

  std::string NoticeText() const;

  ScopedEnv env_;
  std::string queue_;
  CaptureSpool spool_;
  std::unique_ptr<PagePrinter> printer_;
  std::unique_ptr<PellomarClient> client_;
  std::vector<std::string> completions_;

 private:
  std::vector<int> NewJobsTitled(const std::string& title) const;
  std::set<int> before_;
};

// The receipt's lines as a PDF shows them, every word placed at the column
// its position gives (the 29-column rule line sets the grid), so that the
// spacing is compared as well as the text. Lines of the whole document, page
// after page.
std::vector<std::string> PrintedLines(const std::string& pdf_path);
// What of the receipt lines can be seen on paper: blank lines dropped,
// trailing spaces cut.
std::vector<std::string> VisibleLines(const std::vector<std::string>& receipt_lines);
int PageCount(const std::string& pdf_path);

// The settlement time line, as the zh_CN locale renders the date and time.
constexpr char kSettledAtPattern[] = R"(结算时间:\d{4}/\d{1,2}/\d{1,2} \d{2}:\d{2}:\d{2})";

}  // namespace pellomar::testing
