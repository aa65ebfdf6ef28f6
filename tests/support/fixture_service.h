// A stand-in web service for the tests and the benchmarks: fixed pages by
// path, served from an address of loopback on a port of its own (ephemeral
// unless given), and the load-event times that pages post back to "/stamp"
// (see LoadStampScript).
#pragma once

#include <libsoup/soup.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/gtk/glib_handles.h"

namespace pellomar::testing {

class FixtureService {
 public:
  explicit FixtureService(const char* address = "127.0.0.1", unsigned port = 0);
  ~FixtureService();
  FixtureService(const FixtureService&) = delete;
  FixtureService& operator=(const FixtureService&) = delete;

  bool listening() const { return port_ != 0; }
  std::string host() const;    // address:port
  std::string origin() const;  // http://address:port

  // The HTML answered for path (the query is not looked at).
  void SetPage(const std::string& path, std::string html) { pages_[path] = std::move(html); }
  // Answers path with a redirect (302) to location when it is asked for on
  // the service's own address (not under another name, such as localhost).
  void SetRedirect(const std::string& path, std::string location) {
    redirects_[path] = std::move(location);
  }
  // Bytes answered for path as an attachment to be saved under filename.
  void SetAttachment(const std::string& path, std::string bytes, const std::string& filename) {
    pages_[path] = std::move(bytes);
    attachments_[path] = filename;
  }
  // Paths requested so far, in order.
  const std::vector<std::string>& requests() const { return requests_; }
  int RequestCount(const std::string& path) const;

  // The load-event time posted by the page labelled label, in ms since the
  // epoch (the clock of NowMs).
  std::optional<double> Stamp(const std::string& label) const;
  void ClearStamps() { stamps_.clear(); }

 private:
  static void Handle(SoupServer* server, SoupServerMessage* message, const char* path,
                     GHashTable* query, gpointer self);
  void KeepStamp(SoupServerMessage* message, GHashTable* query);

  std::string address_;
  unsigned port_ = 0;
  GObjectPtr<SoupServer> server_;
  std::map<std::string, std::string> pages_;
  std::map<std::string, std::string> redirects_;
  std::map<std::string, std::string> attachments_;  // path: file name
  std::vector<std::string> requests_;
  std::map<std::string, double> stamps_;
};

// A script for a page's head that posts the time of the page's own load
// event to "/stamp" (navigator.sendBeacon, the time in ms since the epoch as
// the body), labelled with the value of the script expression
// label_expression in the query "?n=".
std::string LoadStampScript(const std::string& label_expression);

// Wall-clock time in ms since the epoch, the clock the pages stamp with.
inline double NowMs() { return static_cast<double>(g_get_real_time()) / 1000.0; }

}  // namespace pellomar::testing
