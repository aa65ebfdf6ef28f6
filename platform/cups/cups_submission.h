// One document to the user's default CUPS destination, as one job: create the
// job, send the document, finish it; a failure on the way cancels the job, so
// nothing of it reaches paper. Every exchange with the scheduler is bounded by
// a short timeout, because this runs on the user-interface thread.
#pragma once

#include <functional>
#include <string>

#include "platform/cups/paper_choice.h"
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

PrintResult SubmitToDefaultDestination(const std::string& job_name, const MakeDocument& make);

}  // namespace pellomar
