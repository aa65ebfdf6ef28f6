// pellomar-demo-service: a stand-in for the restaurant service on this
// computer, for trying the client out and for its end-to-end tests.
//
//   pellomar-demo-service [--port N]
//
// Listens on 127.0.0.1 only (N = 0 picks a free port), prints the home
// address on stdout once it accepts connections, logs each request to
// stderr, and stops on SIGINT or SIGTERM. All state is in memory.

#include <glib-unix.h>
#include <libsoup/soup.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "platform/gtk/glib_handles.h"
#include "demo/routes.h"
#include "demo/shop_state.h"

namespace pellomar::demo {
namespace {

constexpr char kContentType[] = "text/html; charset=utf-8";

std::string ValidUtf8(const char* text) { return GCharPtr(g_utf8_make_valid(text, -1)).get(); }

std::map<std::string, std::string> Fields(GHashTable* table) {
  std::map<std::string, std::string> fields;
  if (!table) return fields;
  GHashTableIter iter;
  gpointer key, value;
  g_hash_table_iter_init(&iter, table);
  while (g_hash_table_iter_next(&iter, &key, &value)) {
    fields[ValidUtf8(static_cast<const char*>(key))] = ValidUtf8(static_cast<const char*>(value));
  }
  return fields;
}

std::map<std::string, std::string> FormOf(SoupServerMessage* message) {
  SoupMessageHeaders* headers = soup_server_message_get_request_headers(message);
  const char* type = soup_message_headers_get_content_type(headers, nullptr);
  if (!type || std::strcmp(type, "application/x-www-form-urlencoded") != 0) return {};
  GBytesPtr body(soup_message_body_flatten(soup_server_message_get_request_body(message)));
  std::string text(static_cast<const char*>(g_bytes_get_data(body.get(), nullptr)),
                   g_bytes_get_size(body.get()));
  return Fields(GHashTablePtr(soup_form_decode(text.c_str())).get());
}

void HandleRequest(SoupServer*, SoupServerMessage* message, const char* path, GHashTable* query,
                   gpointer state) {
  Request request{soup_server_message_get_method(message), ValidUtf8(path), Fields(query),
                  FormOf(message)};
  Response response = Route(*static_cast<ShopState*>(state), request);

  soup_server_message_set_status(message, response.status, nullptr);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
  soup_message_headers_replace(headers, "Cache-Control", "no-store");
  if (!response.location.empty()) {
    soup_message_headers_replace(headers, "Location", response.location.c_str());
  }
  soup_server_message_set_response(message, kContentType, SOUP_MEMORY_COPY, response.body.data(),
                                   response.body.size());

  GUri* uri = soup_server_message_get_uri(message);
  const char* raw_query = g_uri_get_query(uri);
  std::fprintf(stderr, "pellomar-demo-service: %s %s%s%s -> %d\n", request.method.c_str(), path,
               raw_query ? "?" : "", raw_query ? raw_query : "", response.status);
}

std::string Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  std::strftime(date, sizeof date, "%Y%m%d", &local);
  return date;
}

std::optional<int> PortFromArguments(int argc, char** argv) {
  int port = PELLOMAR_DEMO_PORT;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--port") != 0 || i + 1 == argc) return std::nullopt;
    char* end = nullptr;
    long value = std::strtol(argv[++i], &end, 10);
    if (*end != '\0' || end == argv[i] || value < 0 || value > 65535) return std::nullopt;
    port = static_cast<int>(value);
  }
  return port;
}

gboolean Quit(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

int Run(int port) {
  ShopState state(Today());
  GObjectPtr<SoupServer> server(SOUP_SERVER(
      g_object_new(SOUP_TYPE_SERVER, "server-header", "pellomar-demo-service", nullptr)));
  soup_server_add_handler(server.get(), nullptr, HandleRequest, &state, nullptr);

  GError* raw_error = nullptr;
  if (!soup_server_listen_local(server.get(), port, SOUP_SERVER_LISTEN_IPV4_ONLY, &raw_error)) {
    GErrorPtr error(raw_error);
    std::fprintf(stderr, "pellomar-demo-service: cannot listen on 127.0.0.1:%d: %s\n", port,
                 error->message);
    return 1;
  }
  GSList* uris = soup_server_get_uris(server.get());
  int bound_port = uris ? g_uri_get_port(static_cast<GUri*>(uris->data)) : port;
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  std::printf("http://127.0.0.1:%d/member/index.asp\n", bound_port);
  std::fflush(stdout);

  GMainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
  g_unix_signal_add(SIGINT, Quit, loop.get());
  g_unix_signal_add(SIGTERM, Quit, loop.get());
  g_main_loop_run(loop.get());
  std::fprintf(stderr, "pellomar-demo-service: stopped\n");
  return 0;
}

}  // namespace
}  // namespace pellomar::demo

int main(int argc, char** argv) {
  std::optional<int> port = pellomar::demo::PortFromArguments(argc, argv);
  if (!port) {
    std::fprintf(stderr, "usage: pellomar-demo-service [--port N]\n");
    return 2;
  }
  return pellomar::demo::Run(*port);
}
