// Geometry of the main window and its browser pane, in twips (1/1440 inch),
// computed in single precision.
#pragma once

namespace pellomar {

struct TwipsSize {
  float width = 0;
  float height = 0;
  bool operator==(const TwipsSize&) const = default;
};

struct TwipsRect {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  bool operator==(const TwipsRect&) const = default;
};

inline constexpr float kPaneMarginX = 100;
inline constexpr float kPaneMarginY = 500;
inline constexpr TwipsSize kNormalClientSize{4680, 3090};

// The pane's new placement for the window's outer size: at (0, 0), the
// margins taken off each dimension that is strictly larger than its margin,
// the other dimension kept from `current`.
TwipsRect LayoutBrowser(TwipsSize window_outer, TwipsRect current);

}  // namespace pellomar
