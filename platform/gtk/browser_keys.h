// The browser keys a desktop user expects in the pane: F5 and Ctrl+R reload,
// Alt+Left and Alt+Right go back and forward; Ctrl+P prints the last
// receipt again.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>

namespace pellomar {

// Handles the keys on `window` before the page sees them.
// print_again runs on Ctrl+P; the page never sees that key.
void ConnectBrowserKeys(GtkWindow* window, WebKitWebView* view,
                        std::function<void()> print_again = {});

}  // namespace pellomar
