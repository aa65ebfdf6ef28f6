#include "shell/app_identity.h"

#include <algorithm>

namespace pellomar {

AppIdentity& TheAppIdentity() {
  static AppIdentity identity;
  return identity;
}

std::u16string HomeUrlFor(std::u16string_view service_host) {
  return u"http://" + std::u16string(service_host) + u"/member/index.asp";
}

namespace {

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](char16_t c) { return AsciiLower(c); });
  return out;
}

}  // namespace

std::u16string OriginOf(std::u16string_view url) {
  const auto scheme_end = url.find(u"://");
  if (scheme_end == std::u16string_view::npos) return {};
  const std::u16string scheme = AsciiLower(url.substr(0, scheme_end));
  if (scheme != u"http" && scheme != u"https") return {};
  std::u16string_view rest = url.substr(scheme_end + 3);
  rest = rest.substr(0, rest.find_first_of(u"/?#"));
  if (const auto at = rest.rfind(u'@'); at != std::u16string_view::npos) rest = rest.substr(at + 1);
  if (rest.empty()) return {};
  std::u16string host_port = AsciiLower(rest);
  const std::u16string default_port = scheme == u"http" ? u":80" : u":443";
  if (host_port.size() > default_port.size() && host_port.ends_with(default_port) &&
      host_port.find(u']') == std::u16string::npos) {
    host_port.resize(host_port.size() - default_port.size());
  }
  return scheme + u"://" + host_port;
}

}  // namespace pellomar
