// The default printer, driven as a line printer.
#pragma once

#include <string>
#include <string_view>

namespace pellomar {

enum class PrintError {
  kNone,
  kNoDestination,  // no default printer
  kUnreachable,    // the print server cannot be reached or did not answer in time
  kRefused,        // the destination refused the job
  kWriteFailed,    // sending the document failed
  kRenderFailed,   // the document could not be produced
  kNoPaperSize,    // neither the printer nor the system names a paper size
};

struct PrintResult {
  PrintError error = PrintError::kNone;
  std::string detail;  // the print system's own words, for the diagnostic line
  // Of an accepted job, when the printer can tell: the spooler's job id and
  // the destination that holds it, so that the job can be followed to paper.
  int job_id = 0;
  std::string destination = {};
  bool ok() const { return error == PrintError::kNone; }
};

class PagePrinter {
 public:
  virtual ~PagePrinter() = default;

  // Prints text as one line below the previous one; the first line of a
  // document starts a new job.
  virtual void PrintLine(std::u16string_view text) = 0;

  // Ends the job and releases it to the spooler. On failure no part of the
  // job reaches paper and the next PrintLine starts afresh. A document
  // without lines is no job: nothing is sent, and the result is success.
  virtual PrintResult EndDocument() = 0;

  // The one-time work that would otherwise delay the first document
  // (connecting, looking the printer up, loading what rendering needs), done
  // ahead of it while the program is idle. It prints nothing and reports
  // nothing: what fails here is left to the next document, which reports it.
  virtual void Prepare() {}
};

}  // namespace pellomar
