// The main window's toolkit side: a GtkWindow whose browser pane sits at
// (0, 0) in a GtkLayout. The layout never asks for its children's size, so
// the pane can be larger or smaller than the client area without the window
// ever changing size because of it.
#pragma once

#include <gtk/gtk.h>

#include "shell/main_window.h"

namespace pellomar {

class GtkWindowSurface : public WindowSurface {
 public:
  // The widgets are borrowed; they belong to the window.
  GtkWindowSurface(GtkWindow* window, GtkLayout* layout, GtkWidget* pane);

  void SetMaximized() override;
  void SetCaption(std::u16string_view caption) override;
  TwipsSize OuterSize() const override;
  TwipsRect PaneRect() const override;
  void SetPaneRect(const TwipsRect& rect) override;

  // The pane's placement in device pixels, as last set.
  GdkRectangle PanePixels() const { return pane_pixels_; }
  float TwipsPerPixel() const;

 private:
  GtkWindow* window_;
  GtkLayout* layout_;
  GtkWidget* pane_;
  TwipsRect pane_rect_;
  GdkRectangle pane_pixels_{0, 0, 0, 0};
};

}  // namespace pellomar
