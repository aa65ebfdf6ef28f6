#include "receipt/receipt_follower.h"

#include <utility>

#include "base/text.h"
#include "receipt/receipt_layout.h"

namespace pellomar {

namespace {

std::string Describe(const KeptReceipt& receipt) {
  std::string text = "receipt " + Utf16ToUtf8(receipt.order_number);
  if (receipt.job_id > 0) {
    text += " (job " + std::to_string(receipt.job_id) + " on " + receipt.destination + ")";
  }
  return text;
}

std::string Joined(const std::vector<std::string>& reasons) {
  std::string text;
  for (const std::string& reason : reasons) text += (text.empty() ? "" : ",") + reason;
  return text.empty() ? "none" : text;
}

constexpr std::u16string_view kJobHeld = u"打印任务被挂起";
constexpr std::u16string_view kNoPrinter = u"找不到打印机";

}  // namespace

ReceiptFollower::ReceiptFollower(PagePrinter& printer, JobWatch& watch, StepTimer& timer,
                                 const Clock& clock, FollowerEvents events)
    : printer_(printer), watch_(watch), timer_(timer), clock_(clock), events_(std::move(events)) {}

void ReceiptFollower::PrintLine(std::u16string_view text) {
  open_lines_.emplace_back(text);
  printer_.PrintLine(text);
}

PrintResult ReceiptFollower::EndDocument() {
  std::vector<std::u16string> lines = std::exchange(open_lines_, {});
  PrintResult result = printer_.EndDocument();
  if (!lines.empty()) Keep(std::move(lines), clock_.Now(), result);
  return result;
}

KeptReceipt& ReceiptFollower::Keep(std::vector<std::u16string> lines,
                                   std::chrono::system_clock::time_point settled_at,
                                   const PrintResult& result) {
  KeptReceipt receipt;
  receipt.order_number = std::u16string(TrimSpaces(OrderNumberOf(lines)));
  receipt.lines = std::move(lines);
  receipt.settled_at = settled_at;
  receipt.state = result.ok() ? ReceiptState::kSent : ReceiptState::kNotSent;
  receipt.job_id = result.ok() ? result.job_id : 0;
  receipt.destination = result.destination;
  KeptReceipt& kept = history_.Add(std::move(receipt));
  if (kept.followed()) FollowSoon();
  return kept;
}

void ReceiptFollower::FollowSoon() { timer_.StepIn(kStepEvery); }

void ReceiptFollower::Step(std::chrono::steady_clock::time_point now) {
  KeptReceipt* next = nullptr;
  for (KeptReceipt& receipt : history_.receipts()) {
    if (!receipt.followed()) continue;
    if (next == nullptr || !receipt.last_asked ||
        (next->last_asked && *receipt.last_asked < *next->last_asked)) {
      next = &receipt;
    }
  }
  if (next == nullptr) return;

  bool answered = true;
  if (!next->followed_since) next->followed_since = now;
  if (now - *next->followed_since > kFollowFor) {
    next->state = ReceiptState::kUnknown;
    events_.report({u"", OneLine(Describe(*next) + ": no longer followed, not printed yet")});
  } else {
    next->last_asked = now;
    answered = next->ask_printer_next ? AskPrinter(*next) : AskJob(*next);
  }

  for (const KeptReceipt& receipt : history_.receipts()) {
    if (receipt.followed()) {
      timer_.StepIn(answered ? kStepEvery : kAfterSilence);
      return;
    }
  }
}

bool ReceiptFollower::AskJob(KeptReceipt& receipt) {
  const JobWatch::JobAnswer answer = watch_.QueryJob(receipt.destination, receipt.job_id);
  switch (answer.reach) {
    case JobWatch::Reach::kUnreachable:
      if (!std::exchange(receipt.silence_reported, true)) {
        events_.report({u"", OneLine(Describe(receipt) + ": cannot follow: " + answer.detail)});
      }
      return false;
    case JobWatch::Reach::kNotKnown:
      // A spooler that keeps no history forgets a job once it is over.
      receipt.state = ReceiptState::kUnknown;
      events_.report({u"", OneLine(Describe(receipt) + ": the spooler no longer knows the job")});
      return true;
    case JobWatch::Reach::kAnswered:
      break;
  }
  receipt.silence_reported = false;
  receipt.last_job_state = answer.job.state;
  switch (OutcomeOf(answer.job.state)) {
    case JobOutcome::kPrinted:
      receipt.state = ReceiptState::kPrinted;
      if (receipt.reported) events_.settled(receipt.id);
      break;
    case JobOutcome::kLost:
      receipt.state = ReceiptState::kLost;
      Tell(receipt, LostReason(answer.job),
           "job ended without paper (printer: " + Joined(answer.job.printer_reasons) + ")");
      break;
    case JobOutcome::kOnItsWay:
      receipt.ask_printer_next = true;
      break;
  }
  return true;
}

bool ReceiptFollower::AskPrinter(KeptReceipt& receipt) {
  const JobWatch::PrinterAnswer answer = watch_.QueryPrinter(receipt.destination);
  if (answer.reach == JobWatch::Reach::kUnreachable) {
    if (!std::exchange(receipt.silence_reported, true)) {
      events_.report({u"", OneLine(Describe(receipt) + ": cannot follow: " + answer.detail)});
    }
    return false;
  }
  receipt.silence_reported = false;
  receipt.ask_printer_next = false;
  if (answer.reach == JobWatch::Reach::kNotKnown) {
    Tell(receipt, StopReason(kNoPrinter), "the destination is gone");
    return true;
  }
  const PrinterStatus& printer = answer.printer;
  if (PaperRunningLow(printer) && !std::exchange(hint_given_, true)) {
    events_.hint({std::u16string(kPaperLowHint), OneLine("printer " + receipt.destination +
                                                         " reports " + Joined(printer.reasons))});
  }
  std::optional<StopReason> stop = PrinterFault(printer);
  if (!stop &&
      (receipt.last_job_state == JobState::kHeld || receipt.last_job_state == JobState::kStopped)) {
    stop = StopReason(kJobHeld);
  }
  if (stop) {
    Tell(receipt, *stop,
         std::string("printer ") + (printer.stopped ? "stopped" : "working") +
             " (reasons: " + Joined(printer.reasons) + ")");
  }
  return true;
}

void ReceiptFollower::Tell(KeptReceipt& receipt, const StopReason& reason,
                           const std::string& diagnostic) {
  if (receipt.state == ReceiptState::kSent) receipt.state = ReceiptState::kHeld;
  if (receipt.reported == reason) return;
  receipt.reported = reason;
  events_.not_printed({NotPrintedNotice(receipt.order_number, reason),
                       OneLine(Describe(receipt) + " not printed: " + diagnostic)},
                      receipt.id);
}

// A receipt the spooler may still print is cancelled first. False when it
// must stay as it is: its printer is stopped (the old job would be lost and
// the new one refused), the spooler does not answer, or it printed after all.
bool ReceiptFollower::MayReplace(KeptReceipt& receipt) {
  const auto refuse = [&](std::u16string_view why, const std::string& detail) {
    events_.not_printed({NotPrintedNotice(receipt.order_number, why),
                         OneLine(Describe(receipt) + " not sent again: " + detail)},
                        receipt.id);
    return false;
  };
  const JobWatch::PrinterAnswer printer = watch_.QueryPrinter(receipt.destination);
  if (printer.reach == JobWatch::Reach::kUnreachable) {
    return refuse(u"无法连接打印服务", printer.detail);
  }
  if (printer.reach == JobWatch::Reach::kAnswered && printer.printer.stopped) {
    const StopReason stop = PrinterFault(printer.printer).value_or(u"打印机已停止");
    return refuse(stop + u"，请先恢复打印机再重新打印",
                  "printer stopped (reasons: " + Joined(printer.printer.reasons) + ")");
  }
  const JobWatch::CancelAnswer cancel = watch_.CancelJob(receipt.destination, receipt.job_id);
  if (cancel.reach == JobWatch::Reach::kUnreachable) {
    return refuse(u"无法连接打印服务", cancel.detail);
  }
  if (cancel.reach == JobWatch::Reach::kAnswered && !cancel.cancelled) {
    const JobWatch::JobAnswer job = watch_.QueryJob(receipt.destination, receipt.job_id);
    if (job.reach == JobWatch::Reach::kAnswered && job.job.state == JobState::kCompleted) {
      receipt.state = ReceiptState::kPrinted;
      events_.settled(receipt.id);
      return false;
    }
  }
  return true;
}

void ReceiptFollower::Reprint(int receipt_id) {
  KeptReceipt* old = history_.Find(receipt_id);
  if (old == nullptr) return;
  if (old->state == ReceiptState::kHeld) {
    if (!MayReplace(*old)) return;
    old->state = ReceiptState::kReplaced;
  }
  events_.settled(old->id);

  // The same lines, settlement time included: the same receipt again.
  std::vector<std::u16string> lines = old->lines;
  const std::chrono::system_clock::time_point settled_at = old->settled_at;
  const std::u16string order_number = old->order_number;
  for (const std::u16string& line : lines) printer_.PrintLine(line);
  const PrintResult result = printer_.EndDocument();
  KeptReceipt& copy = Keep(std::move(lines), settled_at, result);
  if (!result.ok()) {
    copy.reported = StopReason(PrintErrorNotice(result.error));
    events_.not_printed({NotPrintedNotice(order_number, *copy.reported),
                         OneLine(Describe(copy) + " not sent again: " + result.detail)},
                        copy.id);
  }
}

void ReceiptFollower::ReprintNewest() {
  if (const KeptReceipt* newest = history_.Newest()) Reprint(newest->id);
}

}  // namespace pellomar
