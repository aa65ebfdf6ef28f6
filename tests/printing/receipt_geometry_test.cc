#include "platform/cups/receipt_geometry.h"

#include <gtest/gtest.h>

namespace pellomar {
namespace {

TEST(ReceiptGeometryTest, MillimetresBecomePoints) {
  PageGeometry a4 = PageGeometryFromHundredthsMm(21000, 29700, 635, 635, 1270, 2540);
  EXPECT_NEAR(a4.width, 595.28, 0.01);
  EXPECT_NEAR(a4.height, 841.89, 0.01);
  EXPECT_NEAR(a4.PrintableWidth(), 595.28 - 36.0, 0.01);
  EXPECT_NEAR(a4.PrintableHeight(), 841.89 - 108.0, 0.01);
}

TEST(ReceiptGeometryTest, FontSizeFillsTheColumnsUpToTwelvePoints) {
  struct Case {
    double printable_width, advance_per_point, size;
  };
  const Case cases[] = {
      {145.0, 0.5, 10.0},  // 29 columns of 5 pt
      {174.0, 0.5, 12.0},  // exactly 12 pt
      {300.0, 0.5, 12.0},  // wide paper: capped
      {0.0, 0.5, 0.0},     // nothing printable
      {145.0, 0.0, 0.0},   // a font without advance
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ReceiptFontSize(c.printable_width, c.advance_per_point), c.size)
        << c.printable_width << " / " << c.advance_per_point;
  }
}

TEST(ReceiptGeometryTest, LinesPerPage) {
  EXPECT_EQ(LinesPerPage(100.0, 10.0), 10u);  // exact fit holds all
  EXPECT_EQ(LinesPerPage(109.9, 10.0), 10u);  // a partial line does not
  EXPECT_EQ(LinesPerPage(5.0, 10.0), 1u);     // a page always takes a line
  EXPECT_EQ(LinesPerPage(141.73228346456693, 14.173228346456693), 10u);  // 50 mm of 5 mm lines
}

TEST(ReceiptGeometryTest, PageCutFromARollHoldsTheLinesAndMargins) {
  // 58 mm roll with 2 mm margins at top and bottom, at most 100 mm long.
  const PageGeometry roll = PageGeometryFromHundredthsMm(5800, 10000, 300, 300, 200, 200);
  const double mm = 72.0 / 25.4;
  struct Case {
    std::size_t lines;
    double line_height, shortest, height;
  };
  const Case cases[] = {
      {10, 5 * mm, 10 * mm, 54 * mm},          // 2 + 10 x 5 + 2 mm
      {10, 5.0005 * mm, 10 * mm, 54.01 * mm},  // up to the next hundredth of a millimetre
      {1, 1 * mm, 25.4 * mm, 25.4 * mm},       // no shorter than the shortest page
      {30, 5 * mm, 10 * mm, 100 * mm},         // longer than the roll's longest page
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(CutPageHeight(c.lines, c.line_height, roll, c.shortest), c.height, 1e-6)
        << c.lines << " lines of " << c.line_height;
  }
  const double cut = CutPageHeight(10, 5 * mm, roll, 0);
  EXPECT_EQ(LinesPerPage(cut - roll.top - roll.bottom, 5 * mm), 10u);
}

}  // namespace
}  // namespace pellomar
