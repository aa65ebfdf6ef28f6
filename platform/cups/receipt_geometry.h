// The pure geometry of a printed receipt: page and printable area in points,
// the font size that makes the receipt's columns fill the printable width,
// and how many lines go on a page.
#pragma once

#include <cstddef>

#include "receipt/receipt_layout.h"

namespace pellomar {

inline constexpr double kMaxReceiptFontSize = 12.0;  // points

// A page and its margins, in points (1/72 inch).
struct PageGeometry {
  double width = 0;
  double height = 0;
  double left = 0;
  double right = 0;
  double top = 0;
  double bottom = 0;

  double PrintableWidth() const { return width - left - right; }
  double PrintableHeight() const { return height - top - bottom; }
};

// CUPS reports media in hundredths of a millimetre.
PageGeometry PageGeometryFromHundredthsMm(int width, int length, int left, int right, int top,
                                          int bottom);

// The font size at which `columns` columns fill `printable_width`, given the
// advance of one column (a Latin character) per point of font size; at most
// kMaxReceiptFontSize. Zero when nothing fits.
double ReceiptFontSize(double printable_width, double column_advance_per_point,
                       int columns = kReceiptColumns);

// Lines that fit one above the other in `printable_height`; at least one, so
// that a page never stays empty and paging always advances.
std::size_t LinesPerPage(double printable_height, double line_height);

// The height of a page cut from a roll for `lines` lines: the lines and the
// top and bottom margins, rounded up to a whole hundredth of a millimetre
// (the unit the page is asked for in), no less than `shortest` and no more
// than the page's own height, the roll's longest page.
double CutPageHeight(std::size_t lines, double line_height, const PageGeometry& page,
                     double shortest);

// Points to hundredths of a millimetre, to the nearest.
int HundredthsMmFromPoints(double points);

}  // namespace pellomar
