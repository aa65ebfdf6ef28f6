// The web service the harnesses measure against: fixed pages by path on a
// loopback port, and the load-event times the pages post back to "/stamp"
// (navigator.sendBeacon with the event's time in milliseconds since the
// epoch as the body, the page's own label in the query "?n=").
#pragma once

#include <libsoup/soup.h>

#include <map>
#include <optional>
#include <string>

#include "platform/gtk/glib_handles.h"

namespace pellomar::bench {

class BenchService {
 public:
  explicit BenchService(unsigned port);
  BenchService(const BenchService&) = delete;
  BenchService& operator=(const BenchService&) = delete;

  bool listening() const { return listening_; }
  std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

  void SetPage(const std::string& path, std::string html) { pages_[path] = std::move(html); }

  // The time posted by the page labelled n, in ms since the epoch.
  std::optional<double> Stamp(const std::string& label) const;
  void ClearStamps() { stamps_.clear(); }

 private:
  static void Handle(SoupServer*, SoupServerMessage* message, const char* path, GHashTable* query,
                     gpointer self);

  unsigned port_;
  bool listening_ = false;
  GObjectPtr<SoupServer> server_;
  std::map<std::string, std::string> pages_;
  std::map<std::string, double> stamps_;
};

// A script for a page's head that posts the time of the page's own load
// event, labelled with the value of the script expression `label_expression`.
std::string LoadStampScript(const std::string& label_expression);

// Runs the default main loop until done() or timeout_ms has passed; false on
// timeout.
template <typename Done>
bool RunUntil(Done done, int timeout_ms) {
  bool timed_out = false;
  const guint timer = g_timeout_add(
      static_cast<guint>(timeout_ms),
      [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &timed_out);
  while (!done() && !timed_out) g_main_context_iteration(nullptr, TRUE);
  if (!timed_out) g_source_remove(timer);
  return !timed_out || done();
}

// Wall-clock time in ms since the epoch, the clock the pages stamp with.
inline double NowMs() { return static_cast<double>(g_get_real_time()) / 1000.0; }

}  // namespace pellomar::bench
