#include "platform/cups/receipt_pdf.h"

#include <cairo-pdf.h>
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/cups/owned_handles.h"
#include "platform/cups/receipt_font.h"
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
  // Some lines, on several pages, hold characters outside the prepared font.
  for (int i = 1; i <= 200; ++i) {
    lines.push_back("第" + std::to_string(i) + "行 line" + std::to_string(i) +
                    (i % 45 == 0 ? " 馄饨" : ""));
  }
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

// Pango's own drawing of a one-line receipt, as the renderer lays it out: the
// reference the renderer's own drawing of the glyphs is held to.
std::string DrawnByPango(const std::string& line, const PageGeometry& page) {
  std::string error;
  ReceiptFont* font = UseReceiptFont(&error);
  EXPECT_NE(font, nullptr) << error;
  if (font == nullptr) return {};
  std::string document;
  OwnedCairoSurface surface(cairo_pdf_surface_create_for_stream(
      [](void* out, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
      },
      &document, page.width, page.height));
  OwnedCairo cr(cairo_create(surface.get()));
  GObjectPtr<PangoContext> context = MakeUnhintedContext(font->font_map(), cr.get());
  OwnedFontDescription size = ReceiptFontDescription(
      ReceiptFontSize(page.PrintableWidth(), font->column_advance_per_point()));
  GObjectPtr<PangoLayout> layout = MakeLineLayout(context.get(), *size);
  pango_layout_set_text(layout.get(), line.data(), static_cast<int>(line.size()));
  cairo_move_to(cr.get(), page.left, page.top);
  pango_cairo_show_layout(cr.get(), layout.get());
  cr.reset();
  cairo_surface_finish(surface.get());
  return document;
}

// A page as pdftoppm sees it at 300 dpi, one gray byte a pixel.
struct GrayPage {
  int width = 0, height = 0;
  std::string pixels;
  int At(int x, int y) const { return static_cast<unsigned char>(pixels[y * width + x]); }
};

GrayPage GrayPixels(const std::string& pdf_path) {
  const std::string base = pdf_path + "-gray";
  const std::string command =
      "pdftoppm -r 300 -gray -singlefile '" + pdf_path + "' '" + base + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  // "P5", width, height, 255, one white space, the pixels.
  const std::string pgm = testing::ReadFile(base + ".pgm");
  GrayPage page;
  int maximum = 0, header = 0;
  if (std::sscanf(pgm.c_str(), "P5 %d %d %d%n", &page.width, &page.height, &maximum, &header) !=
          3 ||
      pgm.size() != static_cast<std::size_t>(header + 1 + page.width * page.height)) {
    return {};
  }
  page.pixels = pgm.substr(header + 1);
  return page;
}

// Pixels of `a` with nothing like them in `b` within a pixel around: a glyph
// drawn elsewhere or another glyph, not a sub-pixel difference at an edge.
std::size_t UnlikePixels(const GrayPage& a, const GrayPage& b) {
  std::size_t unlike = 0;
  for (int y = 1; y + 1 < a.height; ++y) {
    for (int x = 1; x + 1 < a.width; ++x) {
      bool alike = false;
      for (int dy = -1; dy <= 1 && !alike; ++dy) {
        for (int dx = -1; dx <= 1 && !alike; ++dx) {
          alike = std::abs(a.At(x, y) - b.At(x + dx, y + dy)) <= 64;
        }
      }
      unlike += !alike;
    }
  }
  return unlike;
}

// Renders `line` and expects it drawn as Pango itself draws it: the same
// words in the same boxes when read back, the same ink when printed.
ReceiptGlyphSources ExpectDrawnAsPangoDrawsIt(const std::string& line, const std::string& name) {
  SCOPED_TRACE(line);
  const PageGeometry page = PageGeometryFromHundredthsMm(5800, 3000, 200, 200, 300, 300);
  const ReceiptPdf ours = RenderReceiptPdf({line}, page);
  EXPECT_TRUE(ours.ok()) << ours.error;
  testing::WriteFile(OutputPath(name + ".pdf"), ours.document);
  testing::WriteFile(OutputPath(name + "-pango.pdf"), DrawnByPango(line, page));

  const auto our_pages = ReadPdfWords(OutputPath(name + ".pdf"));
  const auto pango_pages = ReadPdfWords(OutputPath(name + "-pango.pdf"));
  EXPECT_EQ(our_pages.size(), 1u);
  EXPECT_EQ(pango_pages.size(), 1u);
  if (our_pages.size() != 1 || pango_pages.size() != 1) return ours.glyphs;
  const auto our_lines = LinesOf(our_pages[0]);
  const auto pango_lines = LinesOf(pango_pages[0]);
  EXPECT_EQ(our_lines.size(), pango_lines.size());
  for (std::size_t l = 0; l < std::min(our_lines.size(), pango_lines.size()); ++l) {
    EXPECT_EQ(our_lines[l].size(), pango_lines[l].size());
    for (std::size_t w = 0; w < std::min(our_lines[l].size(), pango_lines[l].size()); ++w) {
      const PdfWord& a = our_lines[l][w];
      const PdfWord& b = pango_lines[l][w];
      EXPECT_EQ(a.text, b.text);
      EXPECT_NEAR(a.x_min, b.x_min, kTolerance) << b.text;
      EXPECT_NEAR(a.x_max, b.x_max, kTolerance) << b.text;
      EXPECT_NEAR(a.y_min, b.y_min, kTolerance) << b.text;
    }
  }

  // The text read back cannot tell one glyph from another of its width;
  // the printed page can.
  const GrayPage our_page = GrayPixels(OutputPath(name + ".pdf"));
  const GrayPage pango_page = GrayPixels(OutputPath(name + "-pango.pdf"));
  EXPECT_FALSE(pango_page.pixels.empty());
  EXPECT_EQ(our_page.pixels.size(), pango_page.pixels.size());
  if (!pango_page.pixels.empty() && our_page.pixels.size() == pango_page.pixels.size()) {
    const std::size_t ink =
        std::count_if(pango_page.pixels.begin(), pango_page.pixels.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 128; });
    EXPECT_GT(ink, 0u);
    EXPECT_EQ(UnlikePixels(our_page, pango_page), 0u);
    EXPECT_EQ(UnlikePixels(pango_page, our_page), 0u);
  }
  return ours.glyphs;
}

enum class DrawnFrom { kPreparedFont, kDocumentSubset, kPangoBoxes };

struct LineCase {
  const char* name;
  const char* text;
  DrawnFrom drawn_from;
};

void PrintTo(const LineCase& line, std::ostream* out) { *out << line.name; }

class ReceiptGlyphsTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReceiptGlyphsTest, LineIsDrawnAsPangoDrawsIt) {
  const LineCase& line = GetParam();
  const ReceiptGlyphSources glyphs =
      ExpectDrawnAsPangoDrawsIt(line.text, std::string("line-") + line.name);
  EXPECT_EQ(glyphs.whole_font, 0u) << "no glyph needs the whole font";
  switch (line.drawn_from) {
    case DrawnFrom::kPreparedFont:
      EXPECT_GT(glyphs.prepared, 0u);
      EXPECT_EQ(glyphs.document + glyphs.by_pango, 0u);
      break;
    case DrawnFrom::kDocumentSubset:
      EXPECT_GT(glyphs.document, 0u);
      EXPECT_EQ(glyphs.by_pango, 0u);
      break;
    case DrawnFrom::kPangoBoxes:
      EXPECT_GT(glyphs.by_pango, 0u);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReceiptGlyphsTest,
    ::testing::Values(LineCase{"Item", "宫保鸡丁      1份     38.00", DrawnFrom::kPreparedFont},
                      LineCase{"FullWidth", "①②③ ￥１２３ ℃ №　（大）！", DrawnFrom::kPreparedFont},
                      LineCase{"Accents", "café naïve e\u0301", DrawnFrom::kPreparedFont},
                      LineCase{"Tabs", "Tea\t2\tp", DrawnFrom::kPreparedFont},
                      LineCase{"RareCharacters", "馄饨 鳜鱼 龘 2碗  12.00",
                               DrawnFrom::kDocumentSubset},
                      LineCase{"LineBreaks", "line\nbreak\rcr", DrawnFrom::kPangoBoxes},
                      LineCase{"NotInTheFont", "x😀y a กข b", DrawnFrom::kPangoBoxes},
                      LineCase{"RightToLeft", "עברית abc العربية 123", DrawnFrom::kPangoBoxes}),
    [](const auto& info) { return std::string(info.param.name); });

// The kept subset of the last receipt grows with the next one's characters
// and serves a later receipt only with glyphs it holds.
TEST(ReceiptGlyphsTest, SubsetKeptFromTheLastReceiptDrawsTheRightGlyphs) {
  int receipt = 0;
  for (const char* line : {"馄饨 2碗", "鳜鱼 馄饨", "馄饨 2碗", "龘 1份", "鳜鱼"}) {
    const ReceiptGlyphSources glyphs =
        ExpectDrawnAsPangoDrawsIt(line, "kept-" + std::to_string(++receipt));
    EXPECT_GT(glyphs.document, 0u);
  }
}

// Preparing ahead, twice, releasing and preparing again, or rendering with
// nothing prepared: the same receipt every time.
TEST(ReceiptFontPreparationTest, EveryWayToTheFontGivesTheSameReceipt) {
  std::vector<std::string> receipt = testing::SampleReceipt();
  receipt.push_back("馄饨      1碗     12.00");
  const PageGeometry page = PageGeometryFromHundredthsMm(5800, 21000, 200, 200, 300, 300);
  auto render = [&](const std::string& name) {
    const ReceiptPdf pdf = RenderReceiptPdf(receipt, page);
    EXPECT_TRUE(pdf.ok()) << pdf.error;
    EXPECT_GT(pdf.glyphs.prepared, 0u) << name;
    EXPECT_GT(pdf.glyphs.document, 0u) << name;
    testing::WriteFile(OutputPath(name + ".pdf"), pdf.document);
    std::vector<std::string> read;
    for (const testing::PdfPage& p : ReadPdfWords(OutputPath(name + ".pdf"))) {
      for (const PdfWord& word : p.words) {
        read.push_back(word.text + "@" + std::to_string(word.x_min) + "," +
                       std::to_string(word.y_min));
      }
    }
    return read;
  };

  ReleaseReceiptFonts();
  const std::vector<std::string> unprepared = render("prepared-on-first-use");
  ASSERT_FALSE(unprepared.empty());
  PrepareReceiptFonts();
  PrepareReceiptFonts();
  EXPECT_EQ(render("prepared-twice"), unprepared);
  ReleaseReceiptFonts();
  PrepareReceiptFonts();
  EXPECT_EQ(render("prepared-again"), unprepared);
  ReleaseReceiptFonts();
  ReleaseReceiptFonts();
  EXPECT_EQ(render("released"), unprepared);
}

}  // namespace
}  // namespace pellomar
