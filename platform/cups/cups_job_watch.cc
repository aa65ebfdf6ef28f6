#include "platform/cups/cups_job_watch.h"

#include <cups/cups.h>

#include <array>
#include <string>

#include "platform/cups/owned_handles.h"
#include "platform/cups/scheduler_connection.h"

namespace pellomar {

namespace {

using OwnedIpp = std::unique_ptr<ipp_t, ReleaseWith<ippDelete>>;
using Reach = JobWatch::Reach;

// How a request on the connection that got no good answer ended.
Reach Failure(const SchedulerConnection& connection, bool opened, std::string& detail) {
  if (!opened) {
    detail = connection.server() + ": cannot connect";
    return Reach::kUnreachable;
  }
  if (connection.timed_out()) {
    detail = connection.server() + ": no answer within " +
             std::to_string(static_cast<int>(kAnswerTimeoutSeconds)) + " s";
    return Reach::kUnreachable;
  }
  detail = connection.server() + ": " + LastCupsError();
  return cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND ? Reach::kNotKnown : Reach::kUnreachable;
}

std::string PrinterUri(const std::string& destination) {
  std::array<char, HTTP_MAX_URI> uri{};
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri.data(), uri.size(), "ipp", nullptr, "localhost",
                   ippPort(), "/printers/%s", destination.c_str());
  return uri.data();
}

template <std::size_t N>
OwnedIpp Request(ipp_op_t operation, const std::string& destination,
                 const std::array<const char*, N>& wanted) {
  OwnedIpp request(ippNewRequest(operation));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
               PrinterUri(destination).c_str());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", N,
                nullptr, wanted.data());
  return request;
}

std::vector<std::string> Keywords(ipp_t* response, const char* name) {
  std::vector<std::string> keywords;
  ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_KEYWORD);
  for (int i = 0; attribute != nullptr && i < ippGetCount(attribute); ++i) {
    if (const char* keyword = ippGetString(attribute, i, nullptr)) keywords.emplace_back(keyword);
  }
  return keywords;
}

// Sends the request; the answer when the scheduler gave one that succeeded.
OwnedIpp Exchange(const SchedulerConnection& connection, OwnedIpp request) {
  if (connection.get() == nullptr) return nullptr;
  OwnedIpp response(cupsDoRequest(connection.get(), request.release(), "/"));
  if (response && ippGetStatusCode(response.get()) > IPP_STATUS_OK_CONFLICTING) return nullptr;
  return response;
}

class CupsJobWatch final : public JobWatch {
 public:
  JobAnswer QueryJob(const std::string& destination, int job_id) override {
    SchedulerConnection connection;
    const bool opened = connection.Open();
    OwnedIpp request = Request(IPP_OP_GET_JOB_ATTRIBUTES, destination,
                               std::array{"job-state", "job-printer-state-reasons"});
    ippAddInteger(request.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job_id);
    JobAnswer answer;
    OwnedIpp response = Exchange(connection, std::move(request));
    if (!response) {
      answer.reach = Failure(connection, opened, answer.detail);
      return answer;
    }
    ipp_attribute_t* state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM);
    if (state == nullptr) {
      answer.detail = "the answer names no job-state";
      return answer;
    }
    answer.reach = Reach::kAnswered;
    answer.job.state = static_cast<JobState>(ippGetInteger(state, 0));
    answer.job.printer_reasons = Keywords(response.get(), "job-printer-state-reasons");
    return answer;
  }

  PrinterAnswer QueryPrinter(const std::string& destination) override {
    SchedulerConnection connection;
    const bool opened = connection.Open();
    OwnedIpp response =
        Exchange(connection, Request(IPP_OP_GET_PRINTER_ATTRIBUTES, destination,
                                     std::array{"printer-state", "printer-state-reasons"}));
    PrinterAnswer answer;
    if (!response) {
      answer.reach = Failure(connection, opened, answer.detail);
      return answer;
    }
    ipp_attribute_t* state = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM);
    answer.reach = Reach::kAnswered;
    answer.printer.stopped = state != nullptr && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED;
    answer.printer.reasons = Keywords(response.get(), "printer-state-reasons");
    return answer;
  }

  CancelAnswer CancelJob(const std::string& destination, int job_id) override {
    SchedulerConnection connection;
    const bool opened = connection.Open();
    CancelAnswer answer;
    if (connection.get() == nullptr) {
      answer.reach = Failure(connection, opened, answer.detail);
      return answer;
    }
    const ipp_status_t status = cupsCancelJob2(connection.get(), destination.c_str(), job_id, 0);
    if (status == IPP_STATUS_OK) {
      answer.reach = Reach::kAnswered;
      answer.cancelled = true;
    } else if (status == IPP_STATUS_ERROR_NOT_POSSIBLE) {
      answer.reach = Reach::kAnswered;  // over already: completed, aborted or cancelled
    } else {
      answer.reach = Failure(connection, opened, answer.detail);
    }
    return answer;
  }
};

}  // namespace

std::unique_ptr<JobWatch> MakeCupsJobWatch() { return std::make_unique<CupsJobWatch>(); }

}  // namespace pellomar
