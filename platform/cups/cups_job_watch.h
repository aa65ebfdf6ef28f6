// The spooler's answers about a receipt's job and its destination, from
// CUPS: job state, printer state and reasons, cancel. Each call is one IPP
// request on a connection of its own, bounded by the same short timeouts
// as a submission, because it runs on the user-interface thread.
#pragma once

#include <memory>

#include "receipt/receipt_follower.h"

namespace pellomar {

std::unique_ptr<JobWatch> MakeCupsJobWatch();

}  // namespace pellomar
