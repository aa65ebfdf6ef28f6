// One connection to the scheduler kept from job to job, so that a receipt
// does not wait for a connect. It is opened again, through the bounded
// SchedulerConnection::Open, when CUPS names another server, when the
// scheduler has closed it, and after a request on it failed.
#pragma once

#include "platform/cups/scheduler_connection.h"

namespace pellomar {

class SchedulerSession {
 public:
  // The connection is ready for a request; false when it cannot be opened
  // (connection().server() names the server tried).
  bool Connect();
  // A request on the connection failed: its state is not known, so the
  // next Connect opens a fresh one.
  void Drop() { connection_.Close(); }

  const SchedulerConnection& connection() const { return connection_; }
  http_t* get() const { return connection_.get(); }
  // Whether the last Connect kept the connection of an earlier one. A request
  // that fails on a kept connection is worth once more on a fresh one: the
  // scheduler may have closed it just then.
  bool kept() const { return kept_; }

 private:
  SchedulerConnection connection_;
  bool kept_ = false;
};

}  // namespace pellomar
