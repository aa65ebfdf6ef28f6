#include "tests/support/fixture_service.h"

#include <algorithm>

namespace pellomar::testing {

FixtureService::FixtureService(const char* address, unsigned port)
    : address_(address), server_(soup_server_new(nullptr, nullptr)) {
  soup_server_add_handler(server_, nullptr, Handle, this, nullptr);
  GInetAddress* inet = g_inet_address_new_from_string(address);
  GSocketAddress* socket_address = g_inet_socket_address_new(inet, port);
  GError* error = nullptr;
  if (soup_server_listen(server_, socket_address, static_cast<SoupServerListenOptions>(0),
                         &error)) {
    GSList* uris = soup_server_get_uris(server_);
    if (uris) port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  } else {
    g_printerr("fixture service: cannot listen on %s:%u: %s\n", address, port, error->message);
    g_error_free(error);
  }
  g_object_unref(socket_address);
  g_object_unref(inet);
}

FixtureService::~FixtureService() {
  soup_server_disconnect(server_);
  g_object_unref(server_);
}

std::string FixtureService::host() const { return address_ + ":" + std::to_string(port_); }
std::string FixtureService::origin() const { return "http://" + host(); }

int FixtureService::RequestCount(const std::string& path) const {
  return static_cast<int>(std::count(requests_.begin(), requests_.end(), path));
}

void FixtureService::Handle(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
                            gpointer self) {
  auto* service = static_cast<FixtureService*>(self);
  service->requests_.emplace_back(path);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
  soup_message_headers_replace(headers, "Cache-Control", "no-store");
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

std::string BodyPage(const std::string& body) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>" + body +
         "</body></html>";
}

std::string Frameset(const std::string& middle_src, const std::string& main_src) {
  return "<html><head><meta charset=\"utf-8\"><title>Service</title></head>"
         "<frameset rows=\"15%,85%\"><frame name=\"middleFrame\" src=\"" +
         middle_src + "\"><frame name=\"mainFrame\" src=\"" + main_src + "\"></frameset></html>";
}

// Values by id as the service's order page has them, item checkboxes with
// their Tag in markup and one whose Tag only the page's script sets, and
// once loaded it sends the middle frame to the print page.
std::string OrderPage(const std::string& extra_inputs) {
  return BodyPage(
      "<h1>订单 A1024</h1>"
      "<input type=\"hidden\" id=\"Ddh\" value=\"A1024\">"
      "<input type=\"hidden\" id=\"tingtaihao\" value=\"大厅3\">"
      "<input type=\"hidden\" id=\"waiter\" value=\"王芳\">"
      "<input type=\"hidden\" id=\"syy\" value=\"李明\">"
      "<input type=\"hidden\" id=\"zje\" value=\"46\">"
      "<input type=\"hidden\" id=\"sszje\" value=\"50\">"
      "<input type=\"hidden\" id=\"com_tel\" value=\"010-1234\">"
      "<label><input type=\"checkbox\" checked Tag=\"红烧肉,份,x,1,38\">红烧肉</label>"
      "<label><input type=\"checkbox\" Tag=\"米饭,碗,x,2,4\">米饭</label>"
      "<label><input type=\"radio\" name=\"r\" checked Tag=\"Radio,p,x,1,9\">radio</label>"
      "<label><input type=\"checkbox\" id=\"tea\" Tag=\"wrong,markup,x,9,99\">Tea</label>" +
      extra_inputs +
      "<script>"
      "const tea = document.getElementById('tea');"
      "tea.Tag = 'Tea,壶,x,2,8';"
      "tea.checked = true;"
      "window.addEventListener('load', () => {"
      "  parent.frames['middleFrame'].location.href = '/member/main/print.asp';"
      "});"
      "</script>");
}

void AddServicePages(FixtureService& service) {
  service.SetPage("/member/index.asp",
                  Frameset("/member/main/blank.asp", "/member/main/welcome.asp"));
  service.SetPage("/member/main/blank.asp", BodyPage(""));
  service.SetPage("/member/main/welcome.asp",
                  BodyPage("<h1>欢迎 Welcome</h1><iframe name=\"inner\" "
                           "src=\"/member/main/inner.asp\"></iframe>"));
  service.SetPage("/member/main/inner.asp", BodyPage("<p>inner</p>"));
  service.SetPage("/member/order.asp",
                  Frameset("/member/main/blank.asp", "/member/main/order.asp"));
  service.SetPage("/member/main/order.asp", OrderPage());
  service.SetPage("/member/main/print.asp", BodyPage("1,"));
}

}  // namespace pellomar::testing
