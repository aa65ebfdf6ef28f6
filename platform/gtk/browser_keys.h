// The browser keys a desktop user expects in the pane: F5 and Ctrl+R reload,
// Alt+Left and Alt+Right go back and forward.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

namespace pellomar {

// Handles the keys on `window` before the page sees them.
void ConnectBrowserKeys(GtkWindow* window, WebKitWebView* view);

}  // namespace pellomar
