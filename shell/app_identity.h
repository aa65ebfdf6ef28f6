// The program's identity, fixed at build time and set once at start-up.
#pragma once

#include <string>

namespace pellomar {

struct AppIdentity {
  std::u16string ProductName;
  std::u16string ProductVersion;
  std::u16string HomeUrl;
};

// The one process-wide identity record.
AppIdentity& TheAppIdentity();

// http://host[:port]/member/index.asp for the build's service host.
std::u16string HomeUrlFor(std::u16string_view service_host);

// scheme://host[:port] of an absolute http(s) address, lower-cased scheme and
// host, default port dropped; empty when the address has no such origin.
std::u16string OriginOf(std::u16string_view url);

}  // namespace pellomar
