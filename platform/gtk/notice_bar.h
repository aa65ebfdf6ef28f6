// A short notice over the bottom of the browser pane, until the user closes
// it; a newer notice replaces the one shown. It is an overlay, so the pane's
// geometry is unchanged, and nothing in it ever takes the keyboard focus.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace pellomar {

class NoticeBar {
 public:
  // pane_pixels tells where the pane is now, in the overlay's coordinates.
  NoticeBar(GtkOverlay* overlay, std::function<GdkRectangle()> pane_pixels);
  NoticeBar(const NoticeBar&) = delete;
  NoticeBar& operator=(const NoticeBar&) = delete;

  void Show(std::u16string_view notice);
  void Close();

  bool visible() const { return gtk_widget_get_visible(bar_); }
  std::string text() const { return gtk_label_get_text(GTK_LABEL(label_)); }
  GtkWidget* widget() const { return bar_; }
  GtkWidget* close_button() const { return close_button_; }

 private:
  static gboolean OnGetChildPosition(GtkOverlay* overlay, GtkWidget* child,
                                     GdkRectangle* allocation, gpointer self);

  std::function<GdkRectangle()> pane_pixels_;
  GtkWidget* bar_;
  GtkWidget* label_;
  GtkWidget* close_button_;
};

}  // namespace pellomar
