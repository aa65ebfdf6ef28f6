#include "bench/bench_service.h"

namespace pellomar::bench {

BenchService::BenchService(unsigned port)
    : port_(port), server_(soup_server_new(nullptr, nullptr)) {
  soup_server_add_handler(server_.get(), nullptr, Handle, this, nullptr);
  GObjectPtr<GInetAddress> loopback(g_inet_address_new_from_string("127.0.0.1"));
  GObjectPtr<GSocketAddress> address(g_inet_socket_address_new(loopback.get(), port));
  GError* raw_error = nullptr;
  listening_ = soup_server_listen(server_.get(), address.get(),
                                  static_cast<SoupServerListenOptions>(0), &raw_error);
  GErrorPtr error(raw_error);
  if (!listening_) g_printerr("bench service: port %u: %s\n", port, error->message);
}

std::optional<double> BenchService::Stamp(const std::string& label) const {
  const auto it = stamps_.find(label);
  if (it == stamps_.end()) return std::nullopt;
  return it->second;
}

void BenchService::Handle(SoupServer*, SoupServerMessage* message, const char* path,
                          GHashTable* query, gpointer self) {
  auto* service = static_cast<BenchService*>(self);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
  soup_message_headers_replace(headers, "Cache-Control", "no-store");
  if (std::string(path) == "/stamp") {
    const char* label = query ? static_cast<const char*>(g_hash_table_lookup(query, "n")) : nullptr;
    SoupMessageBody* body = soup_server_message_get_request_body(message);
    const std::string text(body->data ? body->data : "", static_cast<std::size_t>(body->length));
    service->stamps_[label ? label : ""] = g_ascii_strtod(text.c_str(), nullptr);
    soup_server_message_set_status(message, SOUP_STATUS_NO_CONTENT, nullptr);
    return;
  }
  const auto page = service->pages_.find(path);
  if (page == service->pages_.end()) {
    soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
    return;
  }
  soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
  soup_server_message_set_response(message, "text/html; charset=utf-8", SOUP_MEMORY_COPY,
                                   page->second.data(), page->second.size());
}

// The event's timeStamp is the load event's own time, whichever listener
// reads it; timeOrigin puts it on the wall clock.
std::string LoadStampScript(const std::string& label_expression) {
  return "<script>addEventListener('load', (e) => { if (e.target !== document) return;"
         " navigator.sendBeacon('/stamp?n=' + encodeURIComponent(" +
         label_expression + "), String(performance.timeOrigin + e.timeStamp)); });</script>";
}

}  // namespace pellomar::bench
