#include "platform/gtk/load_recovery.h"

#include <cstdio>

#include "base/text.h"
#include "shell/load_retry.h"

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

}  // namespace

LoadRecovery::LoadRecovery(WebKitWebView* view) : view_(view) {
  g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
}

LoadRecovery::~LoadRecovery() {
  CancelRetry();
  g_signal_handlers_disconnect_by_data(view_, this);
}

gboolean LoadRecovery::OnLoadFailed(WebKitWebView* view, WebKitLoadEvent, gchar* failing_uri,
                                    GError* error, gpointer data) {
  auto* self = static_cast<LoadRecovery*>(data);
  if (!IsServiceFailure(error)) return FALSE;
  self->CancelRetry();
  self->failing_uri_ = failing_uri == nullptr ? "" : failing_uri;
  ++self->attempts_;
  const int delay = RetryDelaySeconds(self->attempts_);
  std::fprintf(stderr, "pellomar: page did not load (%s): %s; retrying in %d s\n",
               self->failing_uri_.c_str(), error->message, delay);
  const std::string page = Utf16ToUtf8(LoadErrorPage(Utf8ToUtf16(self->failing_uri_), delay));
  self->failed_loads_finishing_ = 2;  // the failed load, then the error page
  webkit_web_view_load_alternate_html(view, page.c_str(), self->failing_uri_.c_str(), nullptr);
  self->retry_source_ = g_timeout_add_seconds(static_cast<guint>(delay), OnRetryDue, self);
  return TRUE;
}

void LoadRecovery::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<LoadRecovery*>(data);
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

gboolean LoadRecovery::OnRetryDue(gpointer data) {
  auto* self = static_cast<LoadRecovery*>(data);
  self->retry_source_ = 0;
  self->failed_loads_finishing_ = 0;  // both have finished by now
  webkit_web_view_load_uri(self->view_, self->failing_uri_.c_str());
  return G_SOURCE_REMOVE;
}

void LoadRecovery::CancelRetry() {
  if (retry_source_ != 0) g_source_remove(retry_source_);
  retry_source_ = 0;
}

}  // namespace pellomar
