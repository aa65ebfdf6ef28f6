#include "platform/gtk/load_recovery.h"

#include "base/text.h"

namespace pellomar {

namespace {

// Loads the page itself gave up (a new navigation, a download) are not
// failures of the service.
bool IsServiceFailure(const GError* error) {
  if (error == nullptr) return false;
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) return false;
  if (error->domain == WEBKIT_POLICY_ERROR) return false;
  if (error->domain == WEBKIT_DOWNLOAD_ERROR) return false;
  return true;
}

const char* WhyEnded(WebKitWebProcessTerminationReason reason, bool hung) {
  if (hung) return "stopped answering and was ended";
  switch (reason) {
    case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
      return "exceeded its memory limit";
    case WEBKIT_WEB_PROCESS_TERMINATED_BY_API:
      return "was terminated";
    case WEBKIT_WEB_PROCESS_CRASHED:
      break;
  }
  return "crashed";
}

}  // namespace

LoadRecovery::LoadRecovery(WebKitWebView* view, Events events)
    : view_(view), events_(std::move(events)) {
  g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
  watch_source_ = g_timeout_add_seconds(1, OnWatchTick, this);
}

LoadRecovery::~LoadRecovery() {
  CancelRetry();
  ForgetPing();
  g_source_remove(watch_source_);
  g_signal_handlers_disconnect_by_data(view_, this);
}

gboolean LoadRecovery::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failing_uri,
                                    GError* error, gpointer data) {
  auto* self = static_cast<LoadRecovery*>(data);
  if (!IsServiceFailure(error)) return FALSE;
  const std::string uri = failing_uri == nullptr ? "" : failing_uri;
  ++self->attempts_;
  const int delay = RetryDelaySeconds(self->attempts_);
  g_warning("page did not load (%s): %s; retrying in %d s", uri.c_str(), error->message, delay);
  self->ShowErrorPage(uri, delay, PageTrouble::kLoadFailed, 2);  // the failed load, then ours
  return TRUE;
}

void LoadRecovery::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<LoadRecovery*>(data);
  // A new document may be in a new web process: what was asked of the old
  // one is not waited for.
  if (event == WEBKIT_LOAD_COMMITTED) self->ForgetPing();
  if (event != WEBKIT_LOAD_FINISHED) return;
  // The failed load and the error page each finish too; only a load after
  // them that finishes without failing is the service's page back.
  if (self->failed_loads_finishing_ > 0) {
    --self->failed_loads_finishing_;
    return;
  }
  self->CancelRetry();
  self->attempts_ = 0;
}

void LoadRecovery::OnWebProcessTerminated(WebKitWebView* view,
                                          WebKitWebProcessTerminationReason reason, gpointer data) {
  auto* self = static_cast<LoadRecovery*>(data);
  const bool hung = self->ending_hung_process_;
  self->ending_hung_process_ = false;
  self->ForgetPing();
  self->CancelRetry();
  const char* current = webkit_web_view_get_uri(view);
  const std::string uri = current ? current : "";
  const std::string why = std::string("web process ") + WhyEnded(reason, hung);
  const WebProcessRestarts::Decision decision =
      self->restarts_.OnEnded(WebProcessRestarts::Clock::now());
  if (decision.give_up) {
    self->events_.report({u"页面多次意外停止，已停止自动重新加载。",
                          why + "; it ended too often within a minute, page not reloaded"});
    self->ShowErrorPage(uri, 0, PageTrouble::kPageKeepsStopping, 1);
    return;
  }
  const std::u16string notice = hung ? u"页面长时间无响应，" : u"网页进程意外退出，";
  if (decision.delay_seconds == 0) {
    self->events_.report({notice + u"页面已重新加载。", why + "; page reloaded"});
    webkit_web_view_reload(view);
    return;
  }
  self->events_.report(
      {notice + u"页面将在 " + Utf8ToUtf16(std::to_string(decision.delay_seconds)) +
           u" 秒后重新加载。",
       why + " again; page reloaded in " + std::to_string(decision.delay_seconds) + " s"});
  self->ShowErrorPage(uri, decision.delay_seconds, PageTrouble::kPageStopped, 1);
}

// Shows our page in place of uri's and, unless giving up, loads uri again
// after delay seconds. finishing: the loads that will finish before then and
// are not the page coming back.
void LoadRecovery::ShowErrorPage(const std::string& uri, int delay, PageTrouble trouble,
                                 int finishing) {
  CancelRetry();
  failing_uri_ = uri;
  failed_loads_finishing_ = finishing;
  const std::string page = ErrorPageMarkup(uri, delay, trouble);
  webkit_web_view_load_alternate_html(view_, page.c_str(), uri.empty() ? nullptr : uri.c_str(),
                                      nullptr);
  if (trouble != PageTrouble::kPageKeepsStopping) {
    retry_source_ = g_timeout_add_seconds(static_cast<guint>(delay), OnRetryDue, this);
  }
}

gboolean LoadRecovery::OnRetryDue(gpointer data) {
  auto* self = static_cast<LoadRecovery*>(data);
  self->retry_source_ = 0;
  self->failed_loads_finishing_ = 0;  // all have finished by now
  if (!self->failing_uri_.empty())
    webkit_web_view_load_uri(self->view_, self->failing_uri_.c_str());
  return G_SOURCE_REMOVE;
}

void LoadRecovery::CancelRetry() {
  if (retry_source_ != 0) g_source_remove(retry_source_);
  retry_source_ = 0;
}

gboolean LoadRecovery::OnWatchTick(gpointer data) {
  auto* self = static_cast<LoadRecovery*>(data);
  // Inside a loop of its own someone runs a modal wait (the engine's print
  // dialog, a spooler being waited for): the page may be waiting with it.
  if (g_main_depth() > 1 ||
      (self->events_.page_waits_for_user && self->events_.page_waits_for_user())) {
    self->unanswered_ticks_ = 0;
    return G_SOURCE_CONTINUE;
  }
  if (self->ping_ != nullptr || !webkit_web_view_get_is_web_process_responsive(self->view_)) {
    if (++self->unanswered_ticks_ >= self->events_.hung_after_seconds) self->EndHungWebProcess();
    return G_SOURCE_CONTINUE;
  }
  self->unanswered_ticks_ = 0;
  self->ping_ = g_cancellable_new();
  webkit_web_view_evaluate_javascript(self->view_, "0", -1, nullptr, nullptr, self->ping_,
                                      OnPingAnswered, self);
  return G_SOURCE_CONTINUE;
}

// Any answer, an error included, is the web process answering.
void LoadRecovery::OnPingAnswered(GObject* view, GAsyncResult* result, gpointer data) {
  GError* error = nullptr;
  JSCValue* value =
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
  if (value) g_object_unref(value);
  const bool forgotten = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
  if (error) g_error_free(error);
  if (forgotten) return;  // the watch may be gone
  auto* self = static_cast<LoadRecovery*>(data);
  g_clear_object(&self->ping_);
  self->unanswered_ticks_ = 0;
}

void LoadRecovery::ForgetPing() {
  if (ping_ != nullptr) {
    g_cancellable_cancel(ping_);
    g_clear_object(&ping_);
  }
  unanswered_ticks_ = 0;
}

void LoadRecovery::EndHungWebProcess() {
  g_warning("web process has not answered for %d s; ending it", events_.hung_after_seconds);
  ForgetPing();
  ending_hung_process_ = true;
  webkit_web_view_terminate_web_process(view_);
}

}  // namespace pellomar
