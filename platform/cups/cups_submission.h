// One document to the user's default CUPS destination, as one job: create the
// job, send the document, finish it; a failure on the way cancels the job, so
// nothing of it reaches paper. Every exchange with the scheduler is bounded by
// a short timeout, because this runs on the user-interface thread.
#pragma once

#include <functional>
#include <string>

#include "platform/cups/receipt_geometry.h"
#include "platform/cups/receipt_pdf.h"
#include "receipt/page_printer.h"

namespace pellomar {

// Makes the document for the destination's default page.
using RenderForPage = std::function<ReceiptPdf(const PageGeometry&)>;

PrintResult SubmitToDefaultDestination(const std::string& job_name, const RenderForPage& render);

}  // namespace pellomar
