#include "platform/gtk/download_guard.h"

#include <glib/gstdio.h>

#include "base/text.h"
#include "platform/gtk/engine_origin.h"
#include "platform/gtk/glib_handles.h"
#include "shell/download_name.h"

namespace pellomar {

namespace {

const char* RequestUri(WebKitDownload* download) {
  WebKitURIRequest* request = webkit_download_get_request(download);
  return request ? webkit_uri_request_get_uri(request) : nullptr;
}

const char* ResponseUri(WebKitDownload* download) {
  WebKitURIResponse* response = webkit_download_get_response(download);
  return response ? webkit_uri_response_get_uri(response) : nullptr;
}

// A blob: address is of the origin it was made in.
std::u16string OriginOfDownload(const char* uri) {
  if (uri != nullptr && g_ascii_strncasecmp(uri, "blob:", 5) == 0) uri += 5;
  return EngineOriginOf(uri);
}

// A symbolic link counts as taken even when it leads nowhere: saving through
// it would write wherever it points.
bool Taken(const std::string& folder, std::u16string_view name) {
  const std::string path = folder + "/" + Utf16ToUtf8(name);
  return g_file_test(path.c_str(), G_FILE_TEST_EXISTS) ||
         g_file_test(path.c_str(), G_FILE_TEST_IS_SYMLINK);
}

}  // namespace

DownloadGuard::DownloadGuard(WebKitWebView* view, Events events)
    : view_(view), events_(std::move(events)) {
  g_signal_connect(webkit_web_view_get_context(view_), "download-started",
                   G_CALLBACK(OnDownloadStarted), this);
}

DownloadGuard::~DownloadGuard() {
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_context(view_), this);
  for (auto& [download, saving] : saving_) {
    g_signal_handlers_disconnect_by_data(download, this);
    g_object_unref(download);
  }
}

std::string DownloadGuard::DownloadFolder() {
  const char* home = g_get_home_dir();
  const char* configured = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  if (configured != nullptr && g_strcmp0(configured, home) != 0) return configured;
  GCharPtr fallback(g_build_filename(home, "Downloads", nullptr));
  return fallback.get();
}

void DownloadGuard::OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer data) {
  auto* self = static_cast<DownloadGuard*>(data);
  // Another view's download is that view's business; the program has one.
  WebKitWebView* from = webkit_download_get_web_view(download);
  if (from != nullptr && from != self->view_) return;
  const std::u16string service = self->events_.service_origin();
  if (!MaySaveDownload(OriginOfDownload(RequestUri(download)), u"", service)) {
    self->Refuse(download, "not from the service");
    return;
  }
  self->saving_[download] = {};
  g_object_ref(download);
  g_signal_connect(download, "decide-destination", G_CALLBACK(OnDecideDestination), self);
  g_signal_connect(download, "failed", G_CALLBACK(OnFailed), self);
  g_signal_connect(download, "finished", G_CALLBACK(OnFinished), self);
}

gboolean DownloadGuard::OnDecideDestination(WebKitDownload* download, gchar* suggested,
                                            gpointer data) {
  auto* self = static_cast<DownloadGuard*>(data);
  const std::u16string service = self->events_.service_origin();
  const std::u16string request = OriginOfDownload(RequestUri(download));
  const char* response_uri = ResponseUri(download);
  // A response must be of the service too (no redirect out of it); one
  // without an address of its own has none to check.
  const std::u16string response = response_uri ? OriginOfDownload(response_uri) : u"";
  if ((response_uri != nullptr && response.empty()) ||
      !MaySaveDownload(request, response, service)) {
    self->Refuse(download, "redirected away from the service");
    return TRUE;
  }
  const std::string folder = DownloadFolder();
  if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
    self->events_.report({u"下载失败：无法打开下载文件夹",
                          "download folder " + folder + " cannot be made; download cancelled"});
    self->Refuse(download, "no download folder");
    return TRUE;
  }
  const std::u16string name =
      FreeDownloadName(CleanDownloadName(Utf8ToUtf16(suggested ? suggested : "")),
                       [&](std::u16string_view candidate) { return Taken(folder, candidate); });
  if (name.empty()) {
    self->events_.report({u"下载失败：下载文件夹中同名文件过多",
                          "no free name for a download in " + folder + "; cancelled"});
    self->Refuse(download, "no free name");
    return TRUE;
  }
  self->saving_[download].name = Utf16ToUtf8(name);
  GCharPtr path(g_build_filename(folder.c_str(), self->saving_[download].name.c_str(), nullptr));
  GCharPtr uri(g_filename_to_uri(path.get(), nullptr, nullptr));
  webkit_download_set_allow_overwrite(download, FALSE);
  webkit_download_set_destination(download, uri.get());
  return TRUE;
}

void DownloadGuard::OnFailed(WebKitDownload* download, GError* error, gpointer data) {
  auto* self = static_cast<DownloadGuard*>(data);
  const auto saving = self->saving_.find(download);
  if (saving == self->saving_.end()) return;
  saving->second.failed = true;
  if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER)) {
    return;  // refused above, already told
  }
  self->events_.report({u"下载失败：" + Utf8ToUtf16(saving->second.name),
                        OneLine("download " + saving->second.name + " failed: " + error->message)});
}

void DownloadGuard::OnFinished(WebKitDownload* download, gpointer data) {
  auto* self = static_cast<DownloadGuard*>(data);
  const auto saving = self->saving_.find(download);
  if (saving == self->saving_.end()) return;
  if (!saving->second.failed) {
    const char* destination = webkit_download_get_destination(download);
    self->events_.report(
        {u"已下载：" + Utf8ToUtf16(saving->second.name),
         OneLine(std::string("download saved: ") + (destination ? destination : "?"))});
  }
  self->Forget(download);
}

void DownloadGuard::Refuse(WebKitDownload* download, const std::string& why) {
  const char* uri = RequestUri(download);
  events_.report({u"", OneLine("download cancelled, " + why + ": " + (uri ? uri : "?"))});
  webkit_download_cancel(download);
}

void DownloadGuard::Forget(WebKitDownload* download) {
  if (saving_.erase(download) == 0) return;
  g_signal_handlers_disconnect_by_data(download, this);
  g_object_unref(download);
}

}  // namespace pellomar
