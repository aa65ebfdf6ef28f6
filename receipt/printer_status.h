// What the spooler's states of a job and of its printer mean for a receipt:
// on paper, still on its way, held by a stopped or failing printer, or lost.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellomar {

// IPP's job-state values.
enum class JobState {
  kPending = 3,
  kHeld = 4,
  kProcessing = 5,
  kStopped = 6,
  kCanceled = 7,
  kAborted = 8,
  kCompleted = 9,
};

struct JobStatus {
  JobState state = JobState::kPending;
  // What the printer reported while it worked on the job, if the spooler keeps it.
  std::vector<std::string> printer_reasons;
};

struct PrinterStatus {
  bool stopped = false;              // printer-state "stopped"
  std::vector<std::string> reasons;  // printer-state-reasons keywords
};

// Why a receipt did not reach paper, in the till's words ("打印机缺纸").
using StopReason = std::u16string;

// The printer's fault, if its state keeps jobs from printing. A reason
// counts when its severity is error (or not given), or, once the printer
// has stopped, also when it is a warning; reports never count.
std::optional<StopReason> PrinterFault(const PrinterStatus& printer);

// True when the printer warns that its paper is running low.
bool PaperRunningLow(const PrinterStatus& printer);

enum class JobOutcome { kOnItsWay, kPrinted, kLost };

JobOutcome OutcomeOf(JobState state);

// Why a job that ended without paper was lost: the printer's own fault when
// it named one, else the job's end.
StopReason LostReason(const JobStatus& job);

// "小票未打出（单号 N）：reason".
std::u16string NotPrintedNotice(std::u16string_view order_number, std::u16string_view reason);

inline constexpr std::u16string_view kPaperLowHint = u"打印机纸将用完";

}  // namespace pellomar
