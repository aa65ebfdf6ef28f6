// The browser pane on WebKitGTK. Every document of every frame reports its
// completion through the page bridge (page_bridge.js); the completions are
// handed on one at a time, in the order the engine posted them.
#pragma once

#include <webkit2/webkit2.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "base/report.h"
#include "bridge/browser_pane.h"
#include "bridge/page_snapshot_codec.h"
#include "platform/gtk/glib_handles.h"

namespace pellomar {

class WebKitBrowserPane : public BrowserPane {
 public:
  struct Events {
    // One completed document; Document() is its captured top-level page for
    // the length of the call.
    std::function<void(std::u16string_view url)> completed;
    // Something the person at the window should know about.
    std::function<void(const Report& report)> report;
  };

  explicit WebKitBrowserPane(Events events);
  ~WebKitBrowserPane() override;
  WebKitBrowserPane(const WebKitBrowserPane&) = delete;
  WebKitBrowserPane& operator=(const WebKitBrowserPane&) = delete;

  GtkWidget* widget() const { return GTK_WIDGET(view_.get()); }
  WebKitWebView* view() const { return view_.get(); }

  void Navigate(std::u16string_view url) override;
  const DocumentSnapshot* Document() const override;
  OriginLineage CompletedLineage() const override;

 private:
  static void OnScriptMessage(WebKitUserContentManager* manager, WebKitJavascriptResult* result,
                              gpointer self);

  void Receive(std::string json);
  void HandleInOrder();

  Events events_;
  GObjectPtr<WebKitWebView> view_;
  std::deque<std::string> pending_;
  bool handling_ = false;
  std::optional<CompletionMessage> current_;
};

}  // namespace pellomar
