#include "platform/cups/receipt_pdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/printing/receipt_fixture.h"
#include "tests/support/pdf_words.h"

namespace pellomar {
namespace {

using testing::ColumnsOf;
using testing::LinesOf;
using testing::PdfWord;
using testing::ReadPdfWords;
using testing::WordsOf;

constexpr double kTolerance = 0.02;    // points
constexpr double kRowTolerance = 0.1;  // points, between the tops of lines

std::string OutputPath(const std::string& name) {
  return std::string(PELLOMAR_TEST_OUTPUT_DIR) + "/" + name;
}

std::vector<testing::PdfPage> RenderAndRead(const std::vector<std::string>& lines,
                                            const PageGeometry& page, const std::string& name) {
  ReceiptPdf pdf = RenderReceiptPdf(lines, page);
  EXPECT_TRUE(pdf.ok()) << pdf.error;
  testing::WriteFile(OutputPath(name), pdf.document);
  return ReadPdfWords(OutputPath(name));
}

// Each word's start column within its line, as the text implies it.
std::vector<int> StartColumns(const std::string& line) {
  std::vector<int> starts;
  int column = 0;
  bool in_word = false;
  for (std::size_t i = 0; i < line.size();) {
    std::size_t length = 1;
    while (i + length < line.size() && (line[i + length] & 0xC0) == 0x80) ++length;
    bool space = line[i] == ' ';
    if (!space && !in_word) starts.push_back(column);
    in_word = !space;
    column += ColumnsOf(line.substr(i, length));
    i += length;
  }
  return starts;
}

struct PaperCase {
  const char* name;
  PageGeometry page;
  double column_width;  // the receipt fills the printable width, up to 12 pt type
};

void PrintTo(const PaperCase& paper, std::ostream* out) { *out << paper.name; }

class ReceiptColumnsTest : public ::testing::TestWithParam<PaperCase> {};

TEST_P(ReceiptColumnsTest, EveryWordStartsAndEndsAtItsColumn) {
  const PaperCase& paper = GetParam();
  const std::vector<std::string> receipt = testing::SampleReceipt();
  auto pages = RenderAndRead(receipt, paper.page, std::string("receipt-") + paper.name + ".pdf");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NEAR(pages[0].width, paper.page.width, 0.01);
  EXPECT_NEAR(pages[0].height, paper.page.height, 0.01);

  // The receipt's lines that show words, by their place in the receipt: the
  // blank ones between them print nothing but take their line on paper.
  std::vector<std::string> printed;
  std::vector<std::size_t> row;
  for (std::size_t r = 0; r < receipt.size(); ++r) {
    if (WordsOf(receipt[r]).empty()) continue;
    printed.push_back(receipt[r]);
    row.push_back(r);
  }
  ASSERT_GT(row[0], 0u) << "the sample receipt begins with a blank line";
  auto lines = LinesOf(pages[0]);
  ASSERT_EQ(lines.size(), printed.size());

  // The line pitch, from the first two neighbouring lines with words.
  std::size_t next = 1;
  while (next < row.size() && row[next] != row[next - 1] + 1) ++next;
  ASSERT_LT(next, row.size());
  const double pitch = lines[next][0].y_min - lines[next - 1][0].y_min;
  ASSERT_GT(pitch, 0);
  // The blank lines above the first words lie inside the top margin's edge.
  const double first_top = lines[0][0].y_min;
  EXPECT_GE(first_top - paper.page.top, row[0] * pitch - kRowTolerance);
  EXPECT_LT(first_top - paper.page.top, (row[0] + 1) * pitch);

  for (std::size_t i = 0; i < printed.size(); ++i) {
    SCOPED_TRACE(printed[i]);
    EXPECT_NEAR(lines[i][0].y_min, first_top + (row[i] - row[0]) * pitch, kRowTolerance);
    std::vector<std::string> words = WordsOf(printed[i]);
    std::vector<int> starts = StartColumns(printed[i]);
    ASSERT_EQ(lines[i].size(), words.size());
    for (std::size_t w = 0; w < words.size(); ++w) {
      const PdfWord& box = lines[i][w];
      EXPECT_EQ(box.text, words[w]);
      double start = paper.page.left + starts[w] * paper.column_width;
      double end = start + ColumnsOf(words[w]) * paper.column_width;
      EXPECT_NEAR(box.x_min, start, kTolerance) << words[w];
      EXPECT_NEAR(box.x_max, end, kTolerance) << words[w];
    }
  }
}

// 58 mm roll with 2 mm margins: columns of 54 mm / 29, type under 12 pt.
// 80 mm roll: 29 columns of 12 pt type (6 pt) stay narrower than the paper.
INSTANTIATE_TEST_SUITE_P(
    Rolls, ReceiptColumnsTest,
    ::testing::Values(
        PaperCase{"58mm", PageGeometryFromHundredthsMm(5800, 21000, 200, 200, 300, 300),
                  (5400 / 2540.0 * 72.0) / 29},
        PaperCase{"80mm", PageGeometryFromHundredthsMm(8000, 29700, 0, 0, 0, 0), 6.0}),
    [](const auto& info) { return std::string("Roll") + info.param.name; });

TEST(ReceiptPagingTest, LongReceiptSpansPagesKeepingEveryLineInOrderInsideTheMargins) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 200; ++i)
    lines.push_back("第" + std::to_string(i) + "行 line" + std::to_string(i));
  const PageGeometry page = PageGeometryFromHundredthsMm(5800, 10000, 200, 200, 500, 500);
  auto pages = RenderAndRead(lines, page, "receipt-200-lines.pdf");
  ASSERT_GT(pages.size(), 1u);

  std::vector<std::string> read;
  for (const auto& p : pages) {
    for (const auto& line : LinesOf(p)) {
      std::string text;
      for (const PdfWord& word : line) {
        EXPECT_GE(word.y_min, page.top - kTolerance) << word.text;
        EXPECT_LE(word.y_max, page.height - page.bottom + kTolerance) << word.text;
        text += (text.empty() ? "" : " ") + word.text;
      }
      read.push_back(text);
    }
  }
  EXPECT_EQ(read, lines);
  // Pages are filled before the next begins: all but the last hold as many
  // lines as the first.
  const std::size_t per_page = LinesOf(pages[0]).size();
  for (std::size_t p = 0; p + 1 < pages.size(); ++p) EXPECT_EQ(LinesOf(pages[p]).size(), per_page);
}

// A roll at most 100 mm long, pages no shorter than 20 mm: a short receipt
// is one page as long as its lines, a long one runs over pages of 100 mm.
TEST(ReceiptPagingTest, PageCutFromARollIsAsLongAsTheReceiptUpToTheRollsLongest) {
  const PageGeometry roll = PageGeometryFromHundredthsMm(5800, 10000, 200, 200, 300, 300);
  const double shortest = 20 / 25.4 * 72;
  for (int count : {3, 12, 200}) {
    SCOPED_TRACE(count);
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i) lines.push_back("第" + std::to_string(i) + "行");
    const ReceiptPdf pdf = RenderReceiptPdf(lines, roll, shortest);
    ASSERT_TRUE(pdf.ok()) << pdf.error;
    testing::WriteFile(OutputPath("receipt-cut.pdf"), pdf.document);
    const auto pages = ReadPdfWords(OutputPath("receipt-cut.pdf"));
    ASSERT_FALSE(pages.empty());

    std::size_t read = 0;
    for (const auto& page : pages) {
      EXPECT_NEAR(page.height, pdf.page_height, 0.01);
      read += LinesOf(page).size();
    }
    EXPECT_EQ(read, lines.size());
    const auto first = LinesOf(pages[0]);
    if (first.size() < 2) continue;
    const double pitch = first[1][0].y_min - first[0][0].y_min;
    const double fitted = roll.top + count * pitch + roll.bottom;
    if (fitted > roll.height) {
      EXPECT_GT(pages.size(), 1u);
      EXPECT_NEAR(pdf.page_height, roll.height, 0.01);
    } else {
      EXPECT_EQ(pages.size(), 1u);
      EXPECT_GE(pdf.page_height, std::max(shortest, fitted) - 0.01);
      EXPECT_LE(pdf.page_height, std::max(shortest, fitted) + 0.03);  // a hundredth of a mm
    }
  }
}

TEST(ReceiptPdfTest, PageWithoutPrintableAreaIsAnErrorAndNoDocument) {
  ReceiptPdf pdf = RenderReceiptPdf(testing::SampleReceipt(),
                                    PageGeometryFromHundredthsMm(5800, 21000, 2900, 2900, 0, 0));
  EXPECT_FALSE(pdf.ok());
  EXPECT_TRUE(pdf.document.empty());
}

}  // namespace
}  // namespace pellomar
