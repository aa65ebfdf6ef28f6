// The pane's downloads: the service's own are saved in the user's download
// folder under a cleaned, unused name and announced; every other one (a
// foreign frame's attachment or <a download>, a data: address) is cancelled
// before anything is written.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <map>
#include <string>

#include "base/report.h"

namespace pellomar {

class DownloadGuard {
 public:
  struct Events {
    std::function<void(const Report& report)> report;
    std::function<std::u16string()> service_origin;
  };

  DownloadGuard(WebKitWebView* view, Events events);
  ~DownloadGuard();
  DownloadGuard(const DownloadGuard&) = delete;
  DownloadGuard& operator=(const DownloadGuard&) = delete;

  // The XDG download folder; ~/Downloads where none is set up or it is home
  // itself (xdg-user-dirs' way of switching it off).
  static std::string DownloadFolder();

 private:
  struct Saving {
    std::string name;  // in the download folder
    bool failed = false;
  };

  static void OnDownloadStarted(WebKitWebContext* context, WebKitDownload* download, gpointer self);
  static gboolean OnDecideDestination(WebKitDownload* download, gchar* suggested, gpointer self);
  static void OnFailed(WebKitDownload* download, GError* error, gpointer self);
  static void OnFinished(WebKitDownload* download, gpointer self);

  void Refuse(WebKitDownload* download, const std::string& why);
  void Forget(WebKitDownload* download);

  WebKitWebView* view_;  // owned by the pane, which outlives this
  Events events_;
  std::map<WebKitDownload*, Saving> saving_;  // each holds a reference
};

}  // namespace pellomar
