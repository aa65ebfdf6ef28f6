// A tiny web service for the window tests: fixed pages by path, served from
// an address of loopback on a port of its own (ephemeral unless given).
#pragma once

#include <libsoup/soup.h>

#include <map>
#include <string>
#include <vector>

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

 private:
  static void Handle(SoupServer* server, SoupServerMessage* message, const char* path,
                     GHashTable* query, gpointer self);

  std::string address_;
  unsigned port_ = 0;
  SoupServer* server_;
  std::map<std::string, std::string> pages_;
  std::map<std::string, std::string> redirects_;
  std::map<std::string, std::string> attachments_;  // path: file name
  std::vector<std::string> requests_;
};

// The pages of the service as the tests use them: a frameset with
// "middleFrame" and "mainFrame", a welcome page with a nested frame, an
// order page that raises the print page when it has loaded, and the print
// page with the given command text.
void AddServicePages(FixtureService& service);
std::string OrderPage(const std::string& extra_inputs = "");
std::string Frameset(const std::string& middle_src, const std::string& main_src);
std::string BodyPage(const std::string& body);

}  // namespace pellomar::testing
