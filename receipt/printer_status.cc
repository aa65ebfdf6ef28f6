#include "receipt/printer_status.h"

#include <array>

namespace pellomar {

namespace {

enum class Severity { kReport, kWarning, kError };

struct Keyword {
  std::string_view name;
  Severity severity;
};

// IPP appends the severity to the keyword; a keyword without one is an error.
Keyword Parse(std::string_view reason) {
  constexpr std::array<std::pair<std::string_view, Severity>, 3> kSuffixes{{
      {"-report", Severity::kReport},
      {"-warning", Severity::kWarning},
      {"-error", Severity::kError},
  }};
  for (const auto& [suffix, severity] : kSuffixes) {
    if (reason.ends_with(suffix))
      return {reason.substr(0, reason.size() - suffix.size()), severity};
  }
  return {reason, Severity::kError};
}

struct Fault {
  std::string_view keyword;
  std::u16string_view reason;
};

// In order of precedence: the first fault found names the stop.
constexpr std::array<Fault, 8> kFaults{{
    {"media-empty", u"打印机缺纸"},
    {"media-needed", u"打印机缺纸"},
    {"media-jam", u"打印机卡纸"},
    {"door-open", u"打印机盖未关"},
    {"cover-open", u"打印机盖未关"},
    {"interlock-open", u"打印机盖未关"},
    {"offline", u"打印机离线"},
    {"shutdown", u"打印机离线"},
}};

constexpr std::u16string_view kPaused = u"打印机已暂停";
constexpr std::u16string_view kOtherFault = u"打印机故障";
constexpr std::u16string_view kStopped = u"打印机已停止";

bool Counts(Severity severity, bool stopped) {
  return severity == Severity::kError || (stopped && severity == Severity::kWarning);
}

std::optional<StopReason> NamedFault(const std::vector<std::string>& reasons, bool stopped) {
  for (const Fault& fault : kFaults) {
    for (const std::string& reason : reasons) {
      const Keyword keyword = Parse(reason);
      if (keyword.name == fault.keyword && Counts(keyword.severity, stopped)) {
        return StopReason(fault.reason);
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<StopReason> PrinterFault(const PrinterStatus& printer) {
  if (std::optional<StopReason> named = NamedFault(printer.reasons, printer.stopped)) return named;
  bool paused = false;
  bool other_error = false;
  for (const std::string& reason : printer.reasons) {
    const Keyword keyword = Parse(reason);
    if (keyword.name == "paused" && keyword.severity != Severity::kReport) paused = true;
    // Only an explicit "-error" names an unknown fault: spoolers add
    // keywords of their own without a suffix that stop nothing.
    if (reason.ends_with("-error") && keyword.name != "media-low") other_error = true;
  }
  if (paused) return StopReason(kPaused);
  if (other_error) return StopReason(kOtherFault);
  if (printer.stopped) return StopReason(kStopped);
  return std::nullopt;
}

bool PaperRunningLow(const PrinterStatus& printer) {
  for (const std::string& reason : printer.reasons) {
    if (Parse(reason).name == "media-low") return true;
  }
  return false;
}

JobOutcome OutcomeOf(JobState state) {
  switch (state) {
    case JobState::kCompleted:
      return JobOutcome::kPrinted;
    case JobState::kCanceled:
    case JobState::kAborted:
      return JobOutcome::kLost;
    case JobState::kPending:
    case JobState::kHeld:
    case JobState::kProcessing:
    case JobState::kStopped:
      break;
  }
  return JobOutcome::kOnItsWay;
}

StopReason LostReason(const JobStatus& job) {
  if (std::optional<StopReason> named = NamedFault(job.printer_reasons, /*stopped=*/true)) {
    return *named;
  }
  return job.state == JobState::kCanceled ? u"打印任务被取消" : u"打印任务失败";
}

std::u16string NotPrintedNotice(std::u16string_view order_number, std::u16string_view reason) {
  std::u16string notice = u"小票未打出";
  if (!order_number.empty()) {
    notice.append(u"（单号 ").append(order_number).append(u"）");
  }
  return notice.append(u"：").append(reason);
}

}  // namespace pellomar
