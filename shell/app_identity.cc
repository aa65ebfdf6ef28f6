#include "shell/app_identity.h"

namespace pellomar {

AppIdentity& TheAppIdentity() {
  static AppIdentity identity;
  return identity;
}

std::u16string HomeUrlFor(std::u16string_view service_host) {
  return u"http://" + std::u16string(service_host) + u"/member/index.asp";
}

}  // namespace pellomar
