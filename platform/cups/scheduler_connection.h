// A connection to the CUPS scheduler whose every exchange is bounded: the
// connect and each answer give up after a few seconds, because all requests
// run on the user-interface thread.
#pragma once

#include <cups/cups.h>

#include <string>

#include "platform/cups/owned_handles.h"

namespace pellomar {

inline constexpr int kConnectTimeoutMs = 3000;
inline constexpr double kAnswerTimeoutSeconds = 3.0;

// What CUPS said of the last request on this thread, or nothing.
std::string LastCupsError();

// The server CUPS names now (CUPS_SERVER, client.conf, the local socket),
// read afresh so that a change made while the program runs counts: a socket
// path, or host:port.
std::string CurrentSchedulerServer();

class SchedulerConnection {
 public:
  SchedulerConnection() = default;
  // CUPS holds a pointer to timed_out_: the object stays where it is.
  SchedulerConnection(const SchedulerConnection&) = delete;
  SchedulerConnection& operator=(const SchedulerConnection&) = delete;

  // Connects to CurrentSchedulerServer(); an open connection is closed first.
  bool Open();
  void Close();

  // Whether the connection can take another request: it is open, no answer
  // was given up on it, and the scheduler has not closed it (it closes idle
  // connections after a while, and all of them when it restarts).
  bool Reusable() const;

  http_t* get() const { return http_.get(); }
  const std::string& server() const { return server_; }
  // Whether an answer took longer than kAnswerTimeoutSeconds and was given up.
  bool timed_out() const { return timed_out_; }

 private:
  static int GiveUp(http_t*, void* timed_out);

  std::string server_;
  OwnedHttp http_;
  bool timed_out_ = false;
};

}  // namespace pellomar
