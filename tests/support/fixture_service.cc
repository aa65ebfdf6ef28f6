#include "tests/support/fixture_service.h"

#include <algorithm>

namespace pellomar::testing {

FixtureService::FixtureService(const char* address, unsigned port)
    : address_(address), server_(soup_server_new(nullptr, nullptr)) {
  soup_server_add_handler(server_.get(), nullptr, Handle, this, nullptr);
  GObjectPtr<GInetAddress> inet(g_inet_address_new_from_string(address));
  GObjectPtr<GSocketAddress> socket_address(g_inet_socket_address_new(inet.get(), port));
  GError* raw_error = nullptr;
  const bool listening = soup_server_listen(server_.get(), socket_address.get(),
                                            static_cast<SoupServerListenOptions>(0), &raw_error);
  GErrorPtr error(raw_error);
  if (!listening) {
    g_printerr("fixture service: cannot listen on %s:%u: %s\n", address, port, error->message);
    return;
  }
  GSList* uris = soup_server_get_uris(server_.get());
  if (uris) port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

FixtureService::~FixtureService() { soup_server_disconnect(server_.get()); }

std::string FixtureService::host() const { return address_ + ":" + std::to_string(port_); }
std::string FixtureService::origin() const { return "http://" + host(); }

int FixtureService::RequestCount(const std::string& path) const {
  return static_cast<int>(std::count(requests_.begin(), requests_.end(), path));
}

std::optional<double> FixtureService::Stamp(const std::string& label) const {
  const auto it = stamps_.find(label);
  if (it == stamps_.end()) return std::nullopt;
  return it->second;
}

void FixtureService::KeepStamp(SoupServerMessage* message, GHashTable* query) {
  const char* label = query ? static_cast<const char*>(g_hash_table_lookup(query, "n")) : nullptr;
  SoupMessageBody* body = soup_server_message_get_request_body(message);
  const std::string text(body->data ? body->data : "", static_cast<std::size_t>(body->length));
  stamps_[label ? label : ""] = g_ascii_strtod(text.c_str(), nullptr);
  soup_server_message_set_status(message, SOUP_STATUS_NO_CONTENT, nullptr);
}

void FixtureService::Handle(SoupServer*, SoupServerMessage* message, const char* path,
                            GHashTable* query, gpointer self) {
  auto* service = static_cast<FixtureService*>(self);
  service->requests_.emplace_back(path);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
  soup_message_headers_replace(headers, "Cache-Control", "no-store");
  if (std::string_view(path) == "/stamp") {
    service->KeepStamp(message, query);
    return;
  }
  const char* asked_host = g_uri_get_host(soup_server_message_get_uri(message));
  if (const auto redirect = service->redirects_.find(path);
      redirect != service->redirects_.end() && asked_host && service->address_ == asked_host) {
    soup_server_message_set_redirect(message, SOUP_STATUS_FOUND, redirect->second.c_str());
    return;
  }
  const auto page = service->pages_.find(path);
  if (page == service->pages_.end()) {
    soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
    return;
  }
  soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
  const auto attachment = service->attachments_.find(path);
  if (attachment != service->attachments_.end()) {
    soup_message_headers_replace(headers, "Content-Disposition",
                                 ("attachment; filename=\"" + attachment->second + "\"").c_str());
  }
  soup_server_message_set_response(message,
                                   attachment != service->attachments_.end()
                                       ? "application/octet-stream"
                                       : "text/html; charset=utf-8",
                                   SOUP_MEMORY_COPY, page->second.data(), page->second.size());
}

// The event's timeStamp is the load event's own time, whichever listener
// reads it; timeOrigin puts it on the wall clock.
std::string LoadStampScript(const std::string& label_expression) {
  return "<script>addEventListener('load', (e) => { if (e.target !== document) return;"
         " navigator.sendBeacon('/stamp?n=' + encodeURIComponent(" +
         label_expression + "), String(performance.timeOrigin + e.timeStamp)); });</script>";
}

}  // namespace pellomar::testing
