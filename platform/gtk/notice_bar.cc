#include "platform/gtk/notice_bar.h"

#include <algorithm>

#include "base/text.h"
#include "platform/gtk/glib_handles.h"

namespace pellomar {

namespace {

constexpr char kNoticeStyle[] =
    ".pellomar-notice { background-color: #fff4ce; color: #3b2f00;"
    " border-top: 1px solid #c9a400; }";

void StyleNotice(GtkWidget* bar) {
  GObjectPtr<GtkCssProvider> css = AdoptObject(gtk_css_provider_new());
  gtk_css_provider_load_from_data(css.get(), kNoticeStyle, -1, nullptr);
  GtkStyleContext* style = gtk_widget_get_style_context(bar);
  gtk_style_context_add_provider(style, GTK_STYLE_PROVIDER(css.get()),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  gtk_style_context_add_class(style, "pellomar-notice");
}

}  // namespace

NoticeBar::NoticeBar(GtkOverlay* overlay, std::function<GdkRectangle()> pane_pixels)
    : pane_pixels_(std::move(pane_pixels)) {
  // An event box so that the bar has a window of its own and its
  // background is drawn over the page.
  bar_ = gtk_event_box_new();
  StyleNotice(bar_);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
  gtk_widget_set_margin_start(row, 10);
  gtk_widget_set_margin_end(row, 6);
  gtk_widget_set_margin_top(row, 4);
  gtk_widget_set_margin_bottom(row, 4);
  gtk_container_add(GTK_CONTAINER(bar_), row);

  label_ = gtk_label_new("");
  gtk_label_set_line_wrap(GTK_LABEL(label_), TRUE);
  gtk_label_set_xalign(GTK_LABEL(label_), 0);
  gtk_widget_set_hexpand(label_, TRUE);
  gtk_box_pack_start(GTK_BOX(row), label_, TRUE, TRUE, 0);

  close_button_ = gtk_button_new_with_label("关闭");
  gtk_widget_set_can_focus(close_button_, FALSE);
  gtk_widget_set_focus_on_click(close_button_, FALSE);
  gtk_widget_set_valign(close_button_, GTK_ALIGN_CENTER);
  gtk_box_pack_end(GTK_BOX(row), close_button_, FALSE, FALSE, 0);
  g_signal_connect_swapped(close_button_, "clicked",
                           G_CALLBACK(+[](NoticeBar* self) { self->Close(); }), this);

  action_button_ = gtk_button_new_with_label("");
  gtk_widget_set_can_focus(action_button_, FALSE);
  gtk_widget_set_focus_on_click(action_button_, FALSE);
  gtk_widget_set_valign(action_button_, GTK_ALIGN_CENTER);
  gtk_box_pack_end(GTK_BOX(row), action_button_, FALSE, FALSE, 0);
  g_signal_connect_swapped(action_button_, "clicked",
                           G_CALLBACK(+[](NoticeBar* self) { self->RunAction(); }), this);

  gtk_widget_show_all(row);
  gtk_widget_hide(action_button_);
  gtk_widget_set_no_show_all(bar_, TRUE);
  gtk_overlay_add_overlay(overlay, bar_);
  g_signal_connect(overlay, "get-child-position", G_CALLBACK(OnGetChildPosition), this);
}

void NoticeBar::Show(std::u16string_view notice, std::optional<Action> action, int owner) {
  gtk_label_set_text(GTK_LABEL(label_), Utf16ToUtf8(notice).c_str());
  action_ = std::move(action);
  owner_ = owner;
  if (action_) {
    gtk_button_set_label(GTK_BUTTON(action_button_), Utf16ToUtf8(action_->label).c_str());
    gtk_widget_show(action_button_);
  } else {
    gtk_widget_hide(action_button_);
  }
  gtk_widget_show(bar_);
}

void NoticeBar::Close() {
  gtk_widget_hide(bar_);
  action_.reset();
  owner_ = 0;
}

void NoticeBar::Withdraw(int owner) {
  if (owner != 0 && owner_ == owner && visible()) Close();
}

void NoticeBar::RunAction() {
  if (!action_) return;
  std::function<void()> run = std::move(action_->run);
  Close();
  run();
}

// Along the bottom edge of the pane, as wide as the visible part of it.
gboolean NoticeBar::OnGetChildPosition(GtkOverlay* overlay, GtkWidget* child,
                                       GdkRectangle* allocation, gpointer self) {
  auto* bar = static_cast<NoticeBar*>(self);
  if (child != bar->bar_) return FALSE;
  const GdkRectangle pane = bar->pane_pixels_();
  const int area_width = gtk_widget_get_allocated_width(GTK_WIDGET(overlay));
  const int area_height = gtk_widget_get_allocated_height(GTK_WIDGET(overlay));
  const int left = std::clamp(pane.x, 0, area_width);
  const int right = std::clamp(pane.x + pane.width, left, area_width);
  const int bottom = std::clamp(pane.y + pane.height, 0, area_height);

  int min_width = 0;
  gtk_widget_get_preferred_width(child, &min_width, nullptr);
  allocation->width = std::max(right - left, min_width);
  int min_height = 0;
  int natural_height = 0;
  gtk_widget_get_preferred_height_for_width(child, allocation->width, &min_height, &natural_height);
  allocation->height = natural_height;
  allocation->x = left;
  allocation->y = std::max(0, bottom - natural_height);
  return TRUE;
}

}  // namespace pellomar
