#include "platform/cups/cups_submission.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/cups/destination_report.h"
#include "platform/cups/owned_handles.h"
#include "platform/cups/scheduler_connection.h"

namespace pellomar {

namespace {

constexpr std::size_t kWriteChunk = 64 * 1024;

PrintResult Failed(PrintError error, std::string detail) { return {error, std::move(detail)}; }

// A failure of a request on the connection: unreachable when the scheduler
// went silent or away, else `otherwise`.
PrintResult RequestFailed(const SchedulerConnection& connection, PrintError otherwise) {
  // What CUPS says after an abandoned request is about the request, not
  // about the silence; name the server instead.
  if (connection.timed_out()) {
    return Failed(PrintError::kUnreachable,
                  connection.server() + ": no answer within " +
                      std::to_string(static_cast<int>(kAnswerTimeoutSeconds)) + " s");
  }
  if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) {
    return Failed(PrintError::kUnreachable, connection.server() + ": " + LastCupsError());
  }
  return Failed(otherwise, LastCupsError());
}

std::string_view DestOption(const cups_dest_t& dest, const char* name) {
  const char* value = cupsGetOption(name, dest.num_options, dest.options);
  return value != nullptr ? value : "";
}

// A stopped queue would take the job and hold it: nothing on paper, and no
// one told. Such a destination refuses.
std::optional<PrintResult> RefusedByState(const cups_dest_t& dest) {
  if (DestOption(dest, "printer-state") != "5") return std::nullopt;
  std::string detail = std::string("destination \"") + dest.name + "\" is stopped";
  std::string_view reasons = DestOption(dest, "printer-state-reasons");
  if (!reasons.empty()) detail.append(" (").append(reasons).append(")");
  return Failed(PrintError::kRefused, detail);
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

PrintResult SubmitToDefaultDestination(const std::string& job_name, const MakeDocument& make) {
  SchedulerConnection connection;
  if (!connection.Open()) {
    std::string detail = LastCupsError();
    if (detail.empty()) detail = std::strerror(errno);
    return Failed(PrintError::kUnreachable, connection.server() + ": " + detail);
  }

  // LPDEST, PRINTER, the user's and the system's lpoptions, then the
  // scheduler's default: CUPS's own order.
  OwnedDest dest(cupsGetNamedDest(connection.get(), nullptr, nullptr));
  if (!dest) return RequestFailed(connection, PrintError::kNoDestination);
  if (std::optional<PrintResult> refused = RefusedByState(*dest)) return *refused;

  OwnedDestInfo info(cupsCopyDestInfo(connection.get(), dest.get()));
  if (!info) return RequestFailed(connection, PrintError::kRefused);

  const PaperChoice paper =
      ChoosePaper(ReadDestinationReport(connection.get(), dest.get(), info.get()));
  if (paper.kind == PaperKind::kNoPaper) {
    return Failed(PrintError::kNoPaperSize, std::string("destination \"") + dest->name +
                                                "\" reports no paper size, nor does the system");
  }
  const PrintDocument document = make(paper);
  if (!document.failure.ok()) return document.failure;

  OwnedOptions options;
  if (!document.media.empty()) options.Add("media", document.media);
  int job_id = 0;
  if (cupsCreateDestJob(connection.get(), dest.get(), info.get(), &job_id, job_name.c_str(),
                        options.count(), options.get()) != IPP_STATUS_OK) {
    return RequestFailed(connection, PrintError::kRefused);
  }
  PrintResult sent = SendDocument(connection, dest.get(), info.get(), job_id, document);
  if (sent.ok()) {
    sent.job_id = job_id;
    sent.destination = dest->name;
  }
  return sent;
}

}  // namespace pellomar
