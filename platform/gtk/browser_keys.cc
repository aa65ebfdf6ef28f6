#include "platform/gtk/browser_keys.h"

namespace pellomar {

namespace {

struct KeyTargets {
  WebKitWebView* view;
  std::function<void()> print_again;
};

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* targets = static_cast<KeyTargets*>(data);
  WebKitWebView* view = targets->view;
  const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
  const guint key = gdk_keyval_to_lower(event->keyval);
  if ((key == GDK_KEY_F5 && modifiers == 0) ||
      (key == GDK_KEY_r && modifiers == GDK_CONTROL_MASK)) {
    webkit_web_view_reload(view);
    return TRUE;
  }
  if (key == GDK_KEY_p && modifiers == GDK_CONTROL_MASK) {
    if (targets->print_again) targets->print_again();
    return TRUE;
  }
  if (modifiers == GDK_MOD1_MASK && (key == GDK_KEY_Left || key == GDK_KEY_KP_Left)) {
    webkit_web_view_go_back(view);
    return TRUE;
  }
  if (modifiers == GDK_MOD1_MASK && (key == GDK_KEY_Right || key == GDK_KEY_KP_Right)) {
    webkit_web_view_go_forward(view);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void ConnectBrowserKeys(GtkWindow* window, WebKitWebView* view, std::function<void()> print_again) {
  // Connected to the window, this runs before the window hands the key to
  // the focused page.
  g_signal_connect_data(
      window, "key-press-event", G_CALLBACK(OnKeyPress),
      new KeyTargets{view, std::move(print_again)},
      [](gpointer data, GClosure*) { delete static_cast<KeyTargets*>(data); }, GConnectFlags{});
}

}  // namespace pellomar
