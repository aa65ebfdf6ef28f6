#include "platform/cups/cups_submission.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "platform/cups/owned_handles.h"
#include "platform/cups/system_paper.h"

namespace pellomar {

namespace {

constexpr std::size_t kWriteChunk = 64 * 1024;

// A stopped queue would take the job and hold it: nothing on paper, and no
// one told. Such a destination refuses.
std::optional<PrintResult> RefusedByState(const DefaultDestination& destination) {
  if (!destination.stopped()) return std::nullopt;
  std::string detail = std::string("destination \"") + destination.dest()->name + "\" is stopped";
  if (!destination.state_reasons().empty()) {
    detail.append(" (").append(destination.state_reasons()).append(")");
  }
  return PrintResult{PrintError::kRefused, detail};
}

// The paper of the destination's report. The system's size, which stands in
// when the destination names none, is read again for each job: it is the
// system's setting, not the destination's.
PaperChoice PaperOf(const DestinationReport& kept) {
  if (kept.media) return ChoosePaper(kept);
  DestinationReport report = kept;
  report.system = SystemPaperSize();
  return ChoosePaper(report);
}

// The job is open: send the document and close it, or cancel the job.
PrintResult SendDocument(const SchedulerConnection& connection, cups_dest_t* dest,
                         cups_dinfo_t* info, int job_id, const PrintDocument& document) {
  auto cancel_and_report = [&](PrintError otherwise) {
    PrintResult failure = RequestFailed(connection, otherwise);
    // The connection is in the middle of a request; cancel on a fresh one.
    SchedulerConnection canceller;
    if (canceller.Open()) cupsCancelDestJob(canceller.get(), dest, job_id);
    return failure;
  };

  if (cupsStartDestDocument(connection.get(), dest, info, job_id, "receipt",
                            document.format.c_str(), 0, nullptr,
                            /*last_document=*/1) != HTTP_STATUS_CONTINUE) {
    return cancel_and_report(PrintError::kWriteFailed);
  }
  const std::string& bytes = document.bytes;
  for (std::size_t offset = 0; offset < bytes.size(); offset += kWriteChunk) {
    std::size_t length = std::min(kWriteChunk, bytes.size() - offset);
    if (cupsWriteRequestData(connection.get(), bytes.data() + offset, length) !=
        HTTP_STATUS_CONTINUE) {
      return cancel_and_report(PrintError::kWriteFailed);
    }
  }
  if (cupsFinishDestDocument(connection.get(), dest, info) != IPP_STATUS_OK) {
    return cancel_and_report(PrintError::kWriteFailed);
  }
  return {};
}

}  // namespace

// The connection and the destination as they are now. A request that fails
// on a connection kept from an earlier job is tried once more on a fresh
// one (the scheduler may have closed it just then), unless it went
// unanswered: a hung scheduler costs one bounded wait, as before.
PrintResult CupsSubmitter::ReachDestination() {
  for (int attempt = 0;; ++attempt) {
    if (!session_.Connect()) {
      std::string detail = LastCupsError();
      if (detail.empty()) detail = std::strerror(errno);
      return Failed({PrintError::kUnreachable, session_.connection().server() + ": " + detail});
    }
    PrintResult found = destination_.Refresh(session_.connection());
    if (found.ok()) return found;
    const bool again = attempt == 0 && session_.kept() && !session_.connection().timed_out();
    found = Failed(std::move(found));
    if (!again) return found;
  }
}

// After a failure nothing kept is trusted: the next job connects and looks
// the destination up again.
PrintResult CupsSubmitter::Failed(PrintResult failure) {
  session_.Drop();
  destination_.Forget();
  return failure;
}

std::optional<PaperChoice> CupsSubmitter::Prepare() {
  if (!ReachDestination().ok()) return std::nullopt;
  return PaperOf(destination_.report());
}

PrintResult CupsSubmitter::Submit(const std::string& job_name, const MakeDocument& make) {
  if (PrintResult reached = ReachDestination(); !reached.ok()) return reached;
  if (std::optional<PrintResult> refused = RefusedByState(destination_)) return *refused;

  cups_dest_t* dest = destination_.dest();
  cups_dinfo_t* info = destination_.info();
  const PaperChoice paper = PaperOf(destination_.report());
  if (paper.kind == PaperKind::kNoPaper) {
    return {PrintError::kNoPaperSize, std::string("destination \"") + dest->name +
                                          "\" reports no paper size, nor does the system"};
  }
  const PrintDocument document = make(paper);
  if (!document.failure.ok()) return document.failure;

  OwnedOptions options;
  if (!document.media.empty()) options.Add("media", document.media);
  int job_id = 0;
  if (cupsCreateDestJob(session_.get(), dest, info, &job_id, job_name.c_str(), options.count(),
                        options.get()) != IPP_STATUS_OK) {
    return Failed(RequestFailed(session_.connection(), PrintError::kRefused));
  }
  PrintResult sent = SendDocument(session_.connection(), dest, info, job_id, document);
  if (!sent.ok()) return Failed(std::move(sent));
  sent.job_id = job_id;
  sent.destination = dest->name;
  return sent;
}

}  // namespace pellomar
