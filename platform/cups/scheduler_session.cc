#include "platform/cups/scheduler_session.h"

namespace pellomar {

bool SchedulerSession::Connect() {
  kept_ = connection_.Reusable() && connection_.server() == CurrentSchedulerServer();
  if (kept_) return true;
  return connection_.Open();
}

}  // namespace pellomar
