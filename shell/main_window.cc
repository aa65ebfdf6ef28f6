#include "shell/main_window.h"

#include "bridge/browser_pane.h"
#include "shell/app_identity.h"

namespace pellomar {

void B_Main::Load() {
  surface_.SetMaximized();
  surface_.SetCaption(identity_.ProductName + identity_.ProductVersion);
  LayoutBrowser();
  pane_.Navigate(identity_.HomeUrl);
}

void B_Main::Resize() { LayoutBrowser(); }

void B_Main::LayoutBrowser() {
  surface_.SetPaneRect(pellomar::LayoutBrowser(surface_.OuterSize(), surface_.PaneRect()));
}

}  // namespace pellomar
