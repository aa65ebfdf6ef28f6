// Documents to the user's default CUPS destination, each as one job: create
// the job, send the document, finish it; a failure on the way cancels the
// job, so nothing of it reaches paper. Every exchange with the scheduler is
// bounded by a short timeout, because this runs on the user-interface thread.
// The connection, the destination and its paper are kept from job to job
// while they are valid; after a failed job the next one starts afresh.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/cups/default_destination.h"
#include "platform/cups/paper_choice.h"
#include "platform/cups/scheduler_session.h"
#include "receipt/page_printer.h"

namespace pellomar {

struct PrintDocument {
  std::string bytes;
  std::string format;   // its MIME type
  std::string media;    // the media to ask for; empty for the destination's default
  PrintResult failure;  // why there is no document
};

// Makes the document for the destination's paper (never kNoPaper).
using MakeDocument = std::function<PrintDocument(const PaperChoice&)>;

class CupsSubmitter {
 public:
  PrintResult Submit(const std::string& job_name, const MakeDocument& make);

  // Connects and looks the destination and its paper up ahead of the first
  // job. Silent: a failure leaves the work, and its report, to that job.
  // The paper it found, when it did.
  std::optional<PaperChoice> Prepare();

 private:
  PrintResult ReachDestination();
  PrintResult Failed(PrintResult failure);

  SchedulerSession session_;
  DefaultDestination destination_;
};

}  // namespace pellomar
