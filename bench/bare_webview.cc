// bare_webview URL: the baseline of the start-up and memory figures. A
// maximised GTK window whose whole area is a WebKitGTK view with its default
// settings, loading URL; nothing else. Closing the window ends it.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    g_printerr("usage: bare_webview URL\n");
    return 2;
  }
  gtk_init(nullptr, nullptr);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* view = webkit_web_view_new();
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_window_maximize(GTK_WINDOW(window));
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
