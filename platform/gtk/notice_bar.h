// A short notice over the bottom of the browser pane, until the user closes
// it; a newer notice replaces the one shown. A notice may offer one action
// (a button beside "关闭") and may belong to an owner that withdraws it. It is an overlay, so the
// pane's geometry is unchanged, and nothing in it ever takes the keyboard focus.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>

namespace pellomar {

class NoticeBar {
 public:
  // pane_pixels tells where the pane is now, in the overlay's coordinates.
  NoticeBar(GtkOverlay* overlay, std::function<GdkRectangle()> pane_pixels);
  NoticeBar(const NoticeBar&) = delete;
  NoticeBar& operator=(const NoticeBar&) = delete;

  struct Action {
    std::u16string label;
    std::function<void()> run;  // the bar closes first; run may show a new notice
  };

  // owner 0 is nobody's.
  void Show(std::u16string_view notice, std::optional<Action> action = std::nullopt, int owner = 0);
  void Close();
  // Closes the notice if it is owner's.
  void Withdraw(int owner);

  bool visible() const { return gtk_widget_get_visible(bar_); }
  std::string text() const { return gtk_label_get_text(GTK_LABEL(label_)); }
  GtkWidget* widget() const { return bar_; }
  GtkWidget* close_button() const { return close_button_; }
  // Visible only while the notice offers an action.
  GtkWidget* action_button() const { return action_button_; }
  int owner() const { return owner_; }

 private:
  static gboolean OnGetChildPosition(GtkOverlay* overlay, GtkWidget* child,
                                     GdkRectangle* allocation, gpointer self);
  void RunAction();

  std::function<GdkRectangle()> pane_pixels_;
  GtkWidget* bar_;
  GtkWidget* label_;
  GtkWidget* close_button_;
  GtkWidget* action_button_;
  std::optional<Action> action_;
  int owner_ = 0;
};

}  // namespace pellomar
