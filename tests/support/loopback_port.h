// TCP ports on 127.0.0.1 for the tests.
#pragma once

#include <string>

namespace pellomar::testing {

// A port this object holds: listening without ever answering (a hung
// server), or already let go again (no server at all).
class LoopbackPort {
 public:
  enum class State { kClosed, kListening };
  explicit LoopbackPort(State state);
  ~LoopbackPort();
  LoopbackPort(const LoopbackPort&) = delete;
  LoopbackPort& operator=(const LoopbackPort&) = delete;

  int port() const { return port_; }
  std::string Server() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  void Close();
  int fd_ = -1;
  int port_ = 0;
};

// A port that nobody listens on now: for a server about to start on it, or
// for a server that is not there.
int FreeLoopbackPort();

}  // namespace pellomar::testing
