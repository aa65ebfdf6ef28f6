// Keeps the service's page coming back: when a top-level load fails the pane
// shows a short error page and loads the address again, backing off, until a
// page has loaded.
#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace pellomar {

class LoadRecovery {
 public:
  explicit LoadRecovery(WebKitWebView* view);
  ~LoadRecovery();
  LoadRecovery(const LoadRecovery&) = delete;
  LoadRecovery& operator=(const LoadRecovery&) = delete;

  // Retries made since the last page that loaded.
  int attempts() const { return attempts_; }

 private:
  static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* failing_uri,
                               GError* error, gpointer self);
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean OnRetryDue(gpointer self);

  void CancelRetry();

  WebKitWebView* view_;  // owned by the pane, which outlives this
  std::string failing_uri_;
  int attempts_ = 0;
  guint retry_source_ = 0;
  int failed_loads_finishing_ = 0;
};

}  // namespace pellomar
