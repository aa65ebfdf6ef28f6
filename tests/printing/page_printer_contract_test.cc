// The contract of a PagePrinter, held by the recording printer the core's
// tests print on and by the CUPS printer the program prints on: the same
// cases against both, so that the twin cannot drift from the real thing.
// The CUPS printer prints on the raw capture queue of a scheduler of the
// test's own, where every job that arrives is the test's and its lines read
// back exactly.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/cups/cups_page_printer.h"
#include "tests/fakes/recording_printer.h"
#include "tests/printing/receipt_fixture.h"
#include "tests/support/escpos_text.h"
#include "tests/support/pdf_words.h"
#include "tests/support/private_cupsd.h"

namespace pellomar::testing {
namespace {

using Lines = std::vector<std::u16string>;

// The recording printer: the spooler refuses through next_result, and its
// jobs are those it released.
class RecordingTwin {
 public:
  static constexpr const char* kName = "RecordingPrinter";
  std::string error() const { return ""; }
  PagePrinter& printer() { return printer_; }
  void Refuse() {
    printer_.next_result = {PrintError::kRefused, "the queue is not accepting jobs"};
  }
  void Mend() { printer_.next_result = {}; }
  std::vector<Lines> Jobs(std::size_t) const { return printer_.jobs; }

 private:
  RecordingPrinter printer_;
};

// The CUPS printer on the private scheduler's raw queue: the spooler refuses
// while the queue rejects jobs, and its jobs are the documents the capture
// device got, read back as lines.
class CupsTwin {
 public:
  static constexpr const char* kName = "CupsPrinter";
  CupsTwin() { cupsd_.UseQueue(PrivateCupsd::kRawQueue); }
  std::string error() const { return cupsd_.error(); }
  PagePrinter& printer() { return *printer_; }
  void Refuse() { EXPECT_TRUE(cupsd_.Admin("cupsreject")); }
  void Mend() { EXPECT_TRUE(cupsd_.Admin("cupsaccept")); }
  // Once `count` documents have arrived and the queue holds no more.
  std::vector<Lines> Jobs(std::size_t count) const {
    EXPECT_TRUE(cupsd_.WaitForPrinted(count, 20000)) << "fewer than " << count << " jobs";
    std::vector<Lines> jobs;
    for (int job : cupsd_.PrintedJobs()) {
      const auto lines = EscPosLines(ReadFile(cupsd_.JobPdfPath(job)));
      EXPECT_TRUE(lines) << "job " << job << " is not framed by initialise and feed-and-cut";
      Lines text;
      for (const std::string& line : lines.value_or(std::vector<std::string>{})) {
        text.push_back(Utf8ToUtf16(Gb18030ToUtf8(line)));
      }
      jobs.push_back(std::move(text));
    }
    return jobs;
  }

 private:
  PrivateCupsd cupsd_;
  std::unique_ptr<PagePrinter> printer_ = MakeCupsPagePrinter();
};

Lines Receipt(const std::string& order_number) {
  Lines lines;
  for (const std::string& line : SampleReceipt(order_number)) lines.push_back(Utf8ToUtf16(line));
  return lines;
}

template <typename Twin>
class PagePrinterContractTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(twin_.error(), ""); }

  PrintResult Print(const Lines& lines) {
    for (const std::u16string& line : lines) twin_.printer().PrintLine(line);
    return twin_.printer().EndDocument();
  }

  Twin twin_;
};

struct TwinNames {
  template <typename Twin>
  static std::string GetName(int) {
    return Twin::kName;
  }
};

using Twins = ::testing::Types<RecordingTwin, CupsTwin>;
TYPED_TEST_SUITE(PagePrinterContractTest, Twins, TwinNames);

// No line, no job: a receipt printer would feed and cut a blank slip. The
// spooler is not asked, so not even a refusing one fails it.
TYPED_TEST(PagePrinterContractTest, EmptyDocumentIsNoJob) {
  EXPECT_TRUE(this->Print({}).ok());
  this->twin_.Refuse();
  const PrintResult refused_empty = this->Print({});
  EXPECT_TRUE(refused_empty.ok()) << refused_empty.detail;
  this->twin_.Mend();

  ASSERT_TRUE(this->Print(Receipt("C-1")).ok());
  EXPECT_EQ(this->twin_.Jobs(1), std::vector<Lines>{Receipt("C-1")});
}

TYPED_TEST(PagePrinterContractTest, FailedEndSaysWhyAndReleasesNothing) {
  this->twin_.Refuse();
  const PrintResult result = this->Print(Receipt("C-2"));
  EXPECT_EQ(result.error, PrintError::kRefused) << result.detail;
  EXPECT_FALSE(result.detail.empty());
  EXPECT_EQ(this->twin_.Jobs(0), std::vector<Lines>{});
  this->twin_.Mend();
}

TYPED_TEST(PagePrinterContractTest, TwoDocumentsInARowAreTwoJobsInOrder) {
  ASSERT_TRUE(this->Print(Receipt("C-3")).ok());
  ASSERT_TRUE(this->Print(Receipt("C-4")).ok());
  EXPECT_EQ(this->twin_.Jobs(2), (std::vector<Lines>{Receipt("C-3"), Receipt("C-4")}));
}

// The failed document's lines are gone: the next line starts a document of
// its own.
TYPED_TEST(PagePrinterContractTest, LinesAfterAFailureStartANewDocument) {
  this->twin_.Refuse();
  ASSERT_FALSE(this->Print(Receipt("C-5")).ok());
  this->twin_.Mend();

  const PrintResult next = this->Print(Receipt("C-6"));
  ASSERT_TRUE(next.ok()) << next.detail;
  EXPECT_EQ(this->twin_.Jobs(1), std::vector<Lines>{Receipt("C-6")});
  ASSERT_TRUE(this->Print(Receipt("C-7")).ok());
  EXPECT_EQ(this->twin_.Jobs(2), (std::vector<Lines>{Receipt("C-6"), Receipt("C-7")}));
}

}  // namespace
}  // namespace pellomar::testing
