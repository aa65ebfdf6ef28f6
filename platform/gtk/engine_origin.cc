#include "platform/gtk/engine_origin.h"

#include <memory>
#include <string_view>

#include "base/release_with.h"
#include "base/text.h"
#include "platform/gtk/glib_handles.h"

namespace pellomar {

namespace {

using SecurityOriginPtr =
    std::unique_ptr<WebKitSecurityOrigin, ReleaseWith<webkit_security_origin_unref>>;

}  // namespace

std::u16string EngineOriginOf(const char* uri) {
  if (uri == nullptr) return {};
  SecurityOriginPtr origin(webkit_security_origin_new_for_uri(uri));
  if (!origin) return {};
  const char* protocol = webkit_security_origin_get_protocol(origin.get());
  const char* host = webkit_security_origin_get_host(origin.get());
  if (protocol == nullptr || host == nullptr || *host == '\0') return {};
  const std::string_view scheme(protocol);
  if (scheme != "http" && scheme != "https") return {};
  GCharPtr text(webkit_security_origin_to_string(origin.get()));
  return text ? Utf8ToUtf16(text.get()) : std::u16string();
}

ServiceOriginWatch::ServiceOriginWatch(WebKitWebView* view, std::string home_uri)
    : view_(view), home_uri_(std::move(home_uri)) {
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
}

ServiceOriginWatch::~ServiceOriginWatch() { g_signal_handlers_disconnect_by_data(view_, this); }

void ServiceOriginWatch::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<ServiceOriginWatch*>(data);
  if (!self->origin_.empty()) return;
  const char* uri = webkit_web_view_get_uri(view);
  if (event == WEBKIT_LOAD_STARTED) {
    self->home_load_ = uri != nullptr && self->home_uri_ == uri;
    return;
  }
  if (event != WEBKIT_LOAD_COMMITTED || !self->home_load_) return;
  self->home_load_ = false;
  // Our own error page, shown in the home page's place when it failed,
  // comes with no response of the service's.
  WebKitWebResource* resource = webkit_web_view_get_main_resource(view);
  WebKitURIResponse* response = resource ? webkit_web_resource_get_response(resource) : nullptr;
  if (response == nullptr || webkit_uri_response_get_status_code(response) == 0) return;
  self->origin_ = EngineOriginOf(uri);
  g_message("the service's origin is %s", Utf16ToUtf8(self->origin_).c_str());
}

}  // namespace pellomar
