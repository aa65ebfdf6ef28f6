#include "platform/cups/scheduler_connection.h"

#include <poll.h>

namespace pellomar {

std::string LastCupsError() {
  const char* text = cupsLastErrorString();
  return text != nullptr ? text : "";
}

std::string CurrentSchedulerServer() {
  cupsSetServer(nullptr);
  const char* host = cupsServer();
  return host[0] == '/' ? host : std::string(host) + ":" + std::to_string(ippPort());
}

bool SchedulerConnection::Open() {
  Close();
  server_ = CurrentSchedulerServer();
  http_.reset(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                           /*blocking=*/1, kConnectTimeoutMs, nullptr));
  if (!http_) return false;
  httpSetTimeout(http_.get(), kAnswerTimeoutSeconds, &SchedulerConnection::GiveUp, &timed_out_);
  return true;
}

void SchedulerConnection::Close() {
  http_.reset();
  timed_out_ = false;
}

// Between requests the scheduler sends nothing: a readable socket is one it
// has closed (or one with a stale answer on it), not worth another request.
bool SchedulerConnection::Reusable() const {
  if (!http_ || timed_out_) return false;
  pollfd socket{.fd = httpGetFd(http_.get()), .events = POLLIN, .revents = 0};
  if (socket.fd < 0) return false;
  return poll(&socket, 1, /*timeout=*/0) == 0;
}

int SchedulerConnection::GiveUp(http_t*, void* timed_out) {
  *static_cast<bool*>(timed_out) = true;
  return 0;
}

}  // namespace pellomar
