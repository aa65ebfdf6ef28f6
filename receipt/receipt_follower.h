// Follows every receipt from the spooler to paper and prints it again on
// request. It stands in front of the real printer: each finished receipt
// is kept, and its job is watched with one short request per step until it
// completes, is lost, or has been followed for kFollowFor. A printer that
// stops or fails tells the till which receipt did not come out and why.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "base/report.h"
#include "receipt/page_printer.h"
#include "receipt/print_receipt.h"
#include "receipt/printer_status.h"
#include "receipt/receipt_history.h"

namespace pellomar {

// The spooler's answers about a job and its printer; each call is one
// request, bounded in time by the platform.
class JobWatch {
 public:
  enum class Reach { kAnswered, kNotKnown, kUnreachable };
  struct JobAnswer {
    Reach reach = Reach::kUnreachable;
    JobStatus job;
    std::string detail;
  };
  struct PrinterAnswer {
    Reach reach = Reach::kUnreachable;
    PrinterStatus printer;
    std::string detail;
  };
  struct CancelAnswer {
    Reach reach = Reach::kUnreachable;
    bool cancelled = false;  // false when answered: the job was already over
    std::string detail;
  };

  virtual ~JobWatch() = default;
  virtual JobAnswer QueryJob(const std::string& destination, int job_id) = 0;
  virtual PrinterAnswer QueryPrinter(const std::string& destination) = 0;
  virtual CancelAnswer CancelJob(const std::string& destination, int job_id) = 0;
};

// Runs the follower's next step after a delay; a new request replaces the
// pending one.
class StepTimer {
 public:
  virtual ~StepTimer() = default;
  virtual void StepIn(std::chrono::milliseconds delay) = 0;
};

struct FollowerEvents {
  // A receipt did not reach paper; the notice offers to print receipt_id again.
  std::function<void(const Report&, int receipt_id)> not_printed;
  // The receipt needs no notice any more (it printed, or was sent again).
  std::function<void(int receipt_id)> settled;
  // A notice with nothing to offer, or a diagnostic alone (empty notice).
  std::function<void(const Report&)> report;
  // A warning that stops nothing; shown once in a run.
  std::function<void(const Report&)> hint;
};

class ReceiptFollower final : public PagePrinter {
 public:
  static constexpr std::chrono::milliseconds kStepEvery{500};
  // After a request that got no answer, the spooler is given time before
  // the next one, so that a hung spooler does not keep the window waiting.
  static constexpr std::chrono::milliseconds kAfterSilence{10000};
  static constexpr std::chrono::minutes kFollowFor{30};

  ReceiptFollower(PagePrinter& printer, JobWatch& watch, StepTimer& timer, const Clock& clock,
                  FollowerEvents events);

  void PrintLine(std::u16string_view text) override;
  PrintResult EndDocument() override;
  void Prepare() override { printer_.Prepare(); }

  // One step of following: at most one request, for the receipt asked
  // about longest ago; schedules the next step while any is followed.
  void Step(std::chrono::steady_clock::time_point now);

  // Sends the receipt again as a new job, first cancelling its old job if
  // the spooler holds it, so that it cannot come out twice. Refused (old
  // job kept) while its printer is stopped or cannot be reached.
  void Reprint(int receipt_id);
  // The newest receipt of the run again; nothing when there is none.
  void ReprintNewest();

  const ReceiptHistory& history() const { return history_; }

 private:
  KeptReceipt& Keep(std::vector<std::u16string> lines,
                    std::chrono::system_clock::time_point settled_at, const PrintResult& result);
  bool AskJob(KeptReceipt& receipt);
  bool AskPrinter(KeptReceipt& receipt);
  void Tell(KeptReceipt& receipt, const StopReason& reason, const std::string& diagnostic);
  bool MayReplace(KeptReceipt& receipt);
  void FollowSoon();

  PagePrinter& printer_;
  JobWatch& watch_;
  StepTimer& timer_;
  const Clock& clock_;
  FollowerEvents events_;
  ReceiptHistory history_;
  std::vector<std::u16string> open_lines_;
  bool hint_given_ = false;
};

}  // namespace pellomar
