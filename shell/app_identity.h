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

}  // namespace pellomar
