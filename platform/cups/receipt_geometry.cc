#include "platform/cups/receipt_geometry.h"

#include <algorithm>
#include <cmath>

namespace pellomar {

namespace {

double PointsFromHundredthsMm(int value) { return value / 2540.0 * 72.0; }

}  // namespace

int HundredthsMmFromPoints(double points) {
  return static_cast<int>(std::lround(points / 72.0 * 2540.0));
}

PageGeometry PageGeometryFromHundredthsMm(int width, int length, int left, int right, int top,
                                          int bottom) {
  return PageGeometry{
      .width = PointsFromHundredthsMm(width),
      .height = PointsFromHundredthsMm(length),
      .left = PointsFromHundredthsMm(left),
      .right = PointsFromHundredthsMm(right),
      .top = PointsFromHundredthsMm(top),
      .bottom = PointsFromHundredthsMm(bottom),
  };
}

double ReceiptFontSize(double printable_width, double column_advance_per_point, int columns) {
  if (printable_width <= 0 || column_advance_per_point <= 0 || columns <= 0) return 0;
  return std::min(kMaxReceiptFontSize, printable_width / (columns * column_advance_per_point));
}

std::size_t LinesPerPage(double printable_height, double line_height) {
  if (line_height <= 0 || printable_height <= line_height) return 1;
  // A hair of slack, so that a height of exactly n lines holds n lines
  // despite rounding in the millimetre-to-point conversion.
  return static_cast<std::size_t>(std::floor(printable_height / line_height + 1e-9));
}

double CutPageHeight(std::size_t lines, double line_height, const PageGeometry& page,
                     double shortest) {
  const double needed = page.top + static_cast<double>(lines) * line_height + page.bottom;
  // Slack against rounding, so that an exact fit does not gain a hundredth.
  const double hundredths = std::ceil(needed / 72.0 * 2540.0 - 1e-6);
  const double height = PointsFromHundredthsMm(static_cast<int>(hundredths));
  return std::clamp(height, std::min(shortest, page.height), page.height);
}

}  // namespace pellomar
