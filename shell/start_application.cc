#include "shell/start_application.h"

#include "shell/app_identity.h"

namespace pellomar {

void StartApplication(std::u16string_view service_host, MainWindowHost& host) {
  AppIdentity& identity = TheAppIdentity();
  identity.ProductName = u"Pellomar";
  identity.ProductVersion = u"V1.0";
  identity.HomeUrl = HomeUrlFor(service_host);
  host.CreateAndShowMainWindow();
}

}  // namespace pellomar
