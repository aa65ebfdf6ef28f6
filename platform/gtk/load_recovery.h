// Keeps the service's page coming back. A top-level load that fails shows a
// short error page and is loaded again, backing off, until it loads. A web
// process that ends (it crashed, or it was ended here because it stopped
// answering for 10 s) has its page reloaded with a notice, at once the first
// time and backing off after that; when it keeps ending the page is left on
// the error page, whose link loads it again.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

#include "base/report.h"
#include "platform/gtk/error_page.h"
#include "shell/load_retry.h"

namespace pellomar {

class LoadRecovery {
 public:
  struct Events {
    std::function<void(const Report& report)> report;
    // True while the page waits for the person at the window (a script
    // dialog): its silence is not a hang then.
    std::function<bool()> page_waits_for_user;
    // Ticks of the watch, one a second, that the web process may leave its
    // probe unanswered. Ticks rather than wall time, so that the main loop
    // being held up elsewhere (a slow print spooler) is not taken for a hang.
    int hung_after_seconds = 10;
  };

  LoadRecovery(WebKitWebView* view, Events events);
  ~LoadRecovery();
  LoadRecovery(const LoadRecovery&) = delete;
  LoadRecovery& operator=(const LoadRecovery&) = delete;

  // Retries made since the last page that loaded.
  int attempts() const { return attempts_; }

 private:
  static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* failing_uri,
                               GError* error, gpointer self);
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static void OnWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                     gpointer self);
  static gboolean OnRetryDue(gpointer self);
  static gboolean OnWatchTick(gpointer self);
  static void OnPingAnswered(GObject* view, GAsyncResult* result, gpointer self);

  void ShowErrorPage(const std::string& uri, int delay, PageTrouble trouble, int finishing);
  void CancelRetry();
  void ForgetPing();
  void EndHungWebProcess();

  WebKitWebView* view_;  // owned by the pane, which outlives this
  Events events_;

  // Failed loads.
  std::string failing_uri_;
  int attempts_ = 0;
  guint retry_source_ = 0;
  int failed_loads_finishing_ = 0;

  // Web processes that ended.
  WebProcessRestarts restarts_;
  bool ending_hung_process_ = false;

  // The watch on the web process: a trivial script every second; ten
  // seconds of the main loop running without its answer is a hang.
  guint watch_source_ = 0;
  GCancellable* ping_ = nullptr;  // the script asked and not yet answered
  int unanswered_ticks_ = 0;
};

}  // namespace pellomar
