#include "tests/support/loopback_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pellomar::testing {

LoopbackPort::LoopbackPort(State state) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
      getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port_ = ntohs(address.sin_port);
  }
  if (state == State::kListening) {
    listen(fd_, 8);
  } else {
    Close();
  }
}

LoopbackPort::~LoopbackPort() { Close(); }

void LoopbackPort::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

int FreeLoopbackPort() { return LoopbackPort(LoopbackPort::State::kClosed).port(); }

}  // namespace pellomar::testing
