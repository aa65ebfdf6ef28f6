// Origins as the engine decides them, serialised the way pages see
// location.origin, and the service's own: the origin the home page's load
// ends on once the service's redirects have been followed.
#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace pellomar {

// scheme://host[:port] of an http(s) address as the engine parses it;
// empty for any other address.
std::u16string EngineOriginOf(const char* uri);

// Watches the pane's top-level loads for the first load of the home page
// that commits a page of the service's (not an error page of ours), and
// keeps its origin for the rest of the run.
class ServiceOriginWatch {
 public:
  ServiceOriginWatch(WebKitWebView* view, std::string home_uri);
  ~ServiceOriginWatch();
  ServiceOriginWatch(const ServiceOriginWatch&) = delete;
  ServiceOriginWatch& operator=(const ServiceOriginWatch&) = delete;

  // Empty until the home page has committed.
  const std::u16string& origin() const { return origin_; }

 private:
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);

  WebKitWebView* view_;  // owned by the pane, which outlives this
  std::string home_uri_;
  bool home_load_ = false;
  std::u16string origin_;
};

}  // namespace pellomar
