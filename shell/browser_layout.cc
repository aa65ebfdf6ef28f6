#include "shell/browser_layout.h"

namespace pellomar {

TwipsRect LayoutBrowser(TwipsSize window_outer, TwipsRect current) {
  TwipsRect pane = current;
  pane.left = 0;
  pane.top = 0;
  if (window_outer.width > kPaneMarginX) pane.width = window_outer.width - kPaneMarginX;
  if (window_outer.height > kPaneMarginY) pane.height = window_outer.height - kPaneMarginY;
  return pane;
}

}  // namespace pellomar
