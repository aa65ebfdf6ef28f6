#include "platform/gtk/gtk_window_surface.h"

#include <cmath>

#include "base/text.h"

namespace pellomar {

namespace {

constexpr float kTwipsPerInch = 1440;
constexpr double kDefaultDpi = 96;

int ToPixels(float twips, float twips_per_pixel) {
  return static_cast<int>(std::lround(twips / twips_per_pixel));
}

}  // namespace

GtkWindowSurface::GtkWindowSurface(GtkWindow* window, GtkLayout* layout, GtkWidget* pane)
    : window_(window),
      layout_(layout),
      pane_(pane),
      pane_rect_{0, 0, kNormalClientSize.width, kNormalClientSize.height} {
  gtk_layout_put(layout_, pane_, 0, 0);
  const float twips_per_pixel = TwipsPerPixel();
  gtk_window_set_default_size(window_, ToPixels(kNormalClientSize.width, twips_per_pixel),
                              ToPixels(kNormalClientSize.height, twips_per_pixel));
}

// The display's logical resolution (the Xft DPI setting); 96 when the
// display does not say.
float GtkWindowSurface::TwipsPerPixel() const {
  double dpi = gdk_screen_get_resolution(gtk_widget_get_screen(GTK_WIDGET(window_)));
  if (!(dpi > 0)) dpi = kDefaultDpi;
  return kTwipsPerInch / static_cast<float>(dpi);
}

void GtkWindowSurface::SetMaximized() { gtk_window_maximize(window_); }

void GtkWindowSurface::SetCaption(std::u16string_view caption) {
  gtk_window_set_title(window_, Utf16ToUtf8(caption).c_str());
}

// The frame as the window manager draws it, border and title bar included.
// Before the window is on screen there is no frame yet: its client size is
// all there is.
TwipsSize GtkWindowSurface::OuterSize() const {
  int width = 0;
  int height = 0;
  GdkWindow* gdk_window = gtk_widget_get_window(GTK_WIDGET(window_));
  if (gdk_window && gtk_widget_get_mapped(GTK_WIDGET(window_))) {
    GdkRectangle frame;
    gdk_window_get_frame_extents(gdk_window, &frame);
    width = frame.width;
    height = frame.height;
  } else {
    gtk_window_get_size(window_, &width, &height);
  }
  const float twips_per_pixel = TwipsPerPixel();
  return {static_cast<float>(width) * twips_per_pixel,
          static_cast<float>(height) * twips_per_pixel};
}

TwipsRect GtkWindowSurface::PaneRect() const { return pane_rect_; }

void GtkWindowSurface::SetPaneRect(const TwipsRect& rect) {
  pane_rect_ = rect;
  const float twips_per_pixel = TwipsPerPixel();
  const GdkRectangle pixels{
      ToPixels(rect.left, twips_per_pixel), ToPixels(rect.top, twips_per_pixel),
      ToPixels(rect.width, twips_per_pixel), ToPixels(rect.height, twips_per_pixel)};
  if (gdk_rectangle_equal(&pixels, &pane_pixels_)) return;
  pane_pixels_ = pixels;
  gtk_layout_move(layout_, pane_, pixels.x, pixels.y);
  gtk_widget_set_size_request(pane_, pixels.width, pixels.height);
}

}  // namespace pellomar
