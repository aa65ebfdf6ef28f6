#include "platform/cups/scheduler_connection.h"

namespace pellomar {

std::string LastCupsError() {
  const char* text = cupsLastErrorString();
  return text != nullptr ? text : "";
}

bool SchedulerConnection::Open() {
  cupsSetServer(nullptr);
  const char* host = cupsServer();
  server_ = host[0] == '/' ? host : std::string(host) + ":" + std::to_string(ippPort());
  http_.reset(httpConnect2(host, ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                           /*blocking=*/1, kConnectTimeoutMs, nullptr));
  if (!http_) return false;
  httpSetTimeout(http_.get(), kAnswerTimeoutSeconds, &SchedulerConnection::GiveUp, &timed_out_);
  return true;
}

int SchedulerConnection::GiveUp(http_t*, void* timed_out) {
  *static_cast<bool*>(timed_out) = true;
  return 0;
}

}  // namespace pellomar
