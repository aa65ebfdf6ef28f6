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

}  // namespace
}  // namespace pellomar
